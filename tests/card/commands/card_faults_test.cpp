// Card commands on a card whose reads or writes fail: every failure fails the
// command, and the block header is written last, so a cut-short commit leaves
// the previous header in place.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "card/store/capacity_probe.h"
#include "card/store/disk_over_store.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "card/store/sector_store.h"
#include "card/store/sector_store_fault.h"
#include "card/store/sector_store_recording.h"
#include "tests/support/recording_log.h"

namespace {

const uint32_t B0 = 4097;

// A memory card, optionally behind a fault store, under a drive letter.
class faulty_card {
public:
    explicit faulty_card(uint64_t sectors) : memory_(memory_store_create(sectors)) {}
    ~faulty_card() {
        detach();
        store_close(memory_);
    }

    void attach(const fault_plan &plan) {
        detach();
        fault_ = fault_store_wrap(memory_, plan);
        drive_ = std::string(1, drive_table_register_store(fault_));
    }
    void detach() {
        if (fault_ == nullptr) return;
        drive_table_forget(drive_[0]);
        store_close(fault_);
        fault_ = nullptr;
    }
    int run(recording_log &log, const std::string &command,
            const std::vector<std::string> &args = {}) {
        std::vector<const char *> v{"", command.c_str(), drive_.c_str()};
        for (const std::string &a : args) v.push_back(a.c_str());
        return card_dispatch(log.sink, static_cast<int>(v.size()), v.data());
    }
    std::vector<uint8_t> read(uint64_t sector, uint32_t count) {
        std::vector<uint8_t> bytes(size_t{count} * 512);
        EXPECT_EQ(store_read(memory_, sector, count, bytes.data()), 0);
        return bytes;
    }
    void write(uint64_t sector, const std::vector<uint8_t> &bytes) {
        EXPECT_EQ(
            store_write(memory_, sector, static_cast<uint32_t>(bytes.size() / 512), bytes.data()),
            0);
    }
    uint32_t writes() { return fault_store_counts(fault_).writes; }
    // Runs a command on the card behind a recording store; what it did.
    std::vector<store_event> record(const std::string &command) {
        detach();
        sector_store *recording = recording_store_wrap(memory_);
        drive_ = std::string(1, drive_table_register_store(recording));
        recording_log log;
        EXPECT_EQ(run(log, command), 0) << log.text();
        drive_table_forget(drive_[0]);
        std::vector<store_event> events = recording_store_events(recording);
        store_close(recording);
        return events;
    }

private:
    sector_store *memory_;
    sector_store *fault_ = nullptr;
    std::string drive_;
};

// Formats the card and gives it an index disc and one CD in block 0.
void prepare(faulty_card &card) {
    card.attach(fault_plan{});
    recording_log log;
    ASSERT_EQ(card.run(log, "format"), 0) << log.text();
    std::vector<uint8_t> header = card.read(B0, 2);
    header[4] = 2;  // two records: index disc of 1300 sectors, a CD of 800
    const uint8_t records[16] = {2, 0, 0, 0, 0x14, 0x05, 0, 0, 0x16, 0x05, 0, 0, 0x20, 0x03, 0, 0};
    memcpy(&header[64], records, sizeof records);
    card.write(B0, header);
}

std::vector<std::string> swapped_order() {
    std::vector<std::string> v{"1", "0"};
    for (int i = 2; i < 100; i++) v.push_back(std::to_string(i));
    return v;
}

}  // namespace

TEST(CardFaults, FormatReportsEachFailedWrite) {
    struct {
        uint32_t write;
        const char *message;
    } cases[] = {{1, "write error on MBR\n"},
                 {2, "write error FAT\n"},
                 {3, "write error in management area\n"}};
    // Format probes the card's capacity first; its writes come before these.
    uint32_t probe_writes = 0;
    {
        sector_store *memory = memory_store_create(20000);
        sector_store *counted = fault_store_wrap(memory, fault_plan{});
        disk_handle *h = disk_open_store(log_null(), counted, false);
        capacity_result r{};
        ASSERT_TRUE(capacity_probe(h, log_null(), &r));
        disk_close(h);
        probe_writes = fault_store_counts(counted).writes;
        store_close(counted);
        store_close(memory);
    }
    for (auto &c : cases) {
        faulty_card card(20000);
        fault_plan plan;
        plan.fail_write_at = probe_writes + c.write;
        card.attach(plan);
        recording_log log;
        EXPECT_EQ(card.run(log, "format"), 1) << c.write;
        EXPECT_NE(log.text().find(c.message), std::string::npos) << log.text();
        EXPECT_EQ(log.text().find("initialization successful."), std::string::npos);
    }
}

TEST(CardFaults, EveryFailedWriteOfACommitFailsTheCommandHeaderLast) {
    faulty_card probe(20000);
    prepare(probe);
    probe.attach(fault_plan{});  // count the command's writes only
    recording_log clean;
    ASSERT_EQ(probe.run(clean, "order", swapped_order()), 0) << clean.text();
    uint32_t writes = probe.writes();
    ASSERT_EQ(writes, 6u);  // index disc, header, cdlist.txt: data, two FATs, entry

    for (uint32_t n = 1; n <= writes; n++) {
        faulty_card card(20000);
        prepare(card);
        std::vector<uint8_t> header = card.read(B0, 2);
        fault_plan plan;
        plan.fail_write_at = n;
        card.attach(plan);
        recording_log log;
        EXPECT_EQ(card.run(log, "order", swapped_order()), 1) << "write " << n;
        if (n == 1) {
            EXPECT_EQ(card.read(B0, 2), header) << "render failed: header untouched";
        }
        card.attach(fault_plan{});
        recording_log reopen;
        EXPECT_EQ(card.run(reopen, "order", swapped_order()), 0)
            << "write " << n << " left a card that does not open: " << reopen.text();
    }
}

TEST(CardFaults, FailedReadsAndWritesInSubswapFailIt) {
    // Fill bytes in both areas, so that both are converted, and the transfers
    // of the CD area (the block's last disc): the index disc is converted by
    // then, the header must still say version 3.
    auto prepare_filled = [](faulty_card &card) {
        prepare(card);
        std::vector<uint8_t> fill(size_t{1300 + 800} * 512);
        for (size_t i = 0; i < fill.size(); i++) fill[i] = static_cast<uint8_t>(i * 37 + i / 512);
        card.write(B0 + 2, fill);
    };
    uint32_t cd_read = 0, cd_write = 0;
    {
        faulty_card probe(20000);
        prepare_filled(probe);
        std::vector<store_event> events = probe.record("subswap");
        uint32_t reads = 0, writes = 0;
        for (const store_event &e : events) {
            bool in_cd = e.first == B0 + 2 + 1300;
            if (e.kind == store_event::READ) {
                reads++;
                if (in_cd && cd_read == 0) cd_read = reads;
            } else if (e.kind == store_event::WRITE) {
                writes++;
                if (in_cd && cd_write == 0) cd_write = writes;
            }
        }
        ASSERT_GT(cd_read, 0u);
        ASSERT_EQ(cd_write, 2u) << "the index disc is written first";
    }
    for (bool on_read : {true, false}) {
        faulty_card card(20000);
        prepare_filled(card);
        std::vector<uint8_t> header = card.read(B0, 2);
        fault_plan plan;
        if (on_read)
            plan.fail_read_at = cd_read;
        else
            plan.fail_write_at = cd_write;
        card.attach(plan);
        recording_log log;
        EXPECT_EQ(card.run(log, "subswap"), 1);
        EXPECT_NE(log.text().find(on_read ? "read error\n" : "write error\n"), std::string::npos)
            << log.text();
        EXPECT_EQ(card.read(B0, 2), header) << "version not flipped";
    }
}

TEST(CardFaults, UnreadableTableFailsTheOpen) {
    faulty_card card(20000);
    prepare(card);
    fault_plan plan;
    plan.fail_read_at = 1;
    card.attach(plan);
    recording_log log;
    EXPECT_EQ(card.run(log, "subswap"), 1);
    EXPECT_EQ(log.text(), "read error\n");
}

TEST(CardFaults, FailedFlushFailsTheCommand) {
    faulty_card card(20000);
    prepare(card);
    fault_plan plan;
    plan.fail_flush = true;
    card.attach(plan);
    recording_log log;
    EXPECT_EQ(card.run(log, "order", swapped_order()), 1);
}
