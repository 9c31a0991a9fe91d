// The order in which commands make their changes durable: a block header or
// chain link reaches the card only after the data it describes (a flush
// between them), and every command ends with a flush. Without the flushes an
// image file's page cache or a card reader may put the header on the medium
// first, and a power cut then leaves a header over missing data.
#include <gtest/gtest.h>

#include <set>

#include "card/store/drive_table.h"
#include "card/store/sector_store_recording.h"
#include "core/le_bytes.h"
#include "tests/card/write/adding_fixture.h"

namespace {

constexpr uint32_t B0 = 4097;

// The sectors of the chain's blocks as the medium holds them.
void collect_blocks(const memory_card &card, std::set<uint64_t> *blocks) {
    for (uint32_t s = B0, k = 0; s != 0 && k < 10; k++) {
        std::vector<uint8_t> header = card.read(s, 1);
        if (memcmp(header.data(), "VMK", 3) != 0) return;
        blocks->insert(s);
        s = le32_get(&header[12]);
    }
}

bool touches_a_header(const store_event &e, const std::set<uint64_t> &blocks) {
    for (uint64_t s : blocks)
        if (e.first < s + 2 && s < e.first + e.count) return true;
    return false;
}

std::vector<std::string> order_args() {
    std::vector<std::string> v{"2", "0", "1"};
    for (int i = 3; i < 100; i++) v.push_back(std::to_string(i));
    return v;
}

}  // namespace

TEST(commit_order, headers_and_links_follow_a_flush_and_every_command_ends_with_one) {
    rom_and_disc in(5, 200, 100);
    struct {
        const char *what;
        int roms_before;  // -1: an unformatted card
        const char *command;
        std::vector<std::string> args;
    } cases[] = {
        {"format", -1, "format", {}},
        {"add a ROM at the end", 2, "add", {in.rom}},
        {"add a CD at the end", 2, "add", {in.disc}},
        {"add replacing record 2", 2, "add", {in.disc, "2"}},
        {"add into a new block", 11, "add", {in.rom}},
        {"overwrite record 3", 2, "overwrite", {in.disc, "3"}},
        {"config", 2, "config", {"1", "0x80", "renamed"}},
        {"order", 2, "order", order_args()},
        {"amount_change", 2, "amount_change", {"2"}},
        {"subswap", 2, "subswap", {}},
    };
    for (auto &k : cases) {
        SCOPED_TRACE(k.what);
        memory_card card(TEST_CARD_SECTORS);
        if (k.roms_before >= 0) {
            ASSERT_TRUE(format_card(card.drive()));
            recording_log log;
            for (int i = 0; i < k.roms_before; i++)
                ASSERT_EQ(run_card(log, card.drive(), "add", {in.rom}), 0) << log.text();
            ASSERT_EQ(run_card(log, card.drive(), "add", {in.disc}), 0) << log.text();
        }
        std::set<uint64_t> blocks;
        collect_blocks(card, &blocks);

        sector_store *recording = recording_store_wrap(card.medium);
        std::string drive(1, drive_table_register_store(recording));
        recording_log log;
        EXPECT_EQ(run_card(log, drive, k.command, k.args), 0) << log.text();
        drive_table_forget(drive[0]);
        std::vector<store_event> events;
        for (const store_event &e : recording_store_events(recording))
            if (e.kind != store_event::READ) events.push_back(e);
        store_close(recording);
        collect_blocks(card, &blocks);

        bool flushed = true;  // since the last write
        int structure_writes = 0;
        for (size_t i = 0; i < events.size(); i++) {
            const store_event &e = events[i];
            if (e.kind == store_event::FLUSH) {
                flushed = true;
                continue;
            }
            if (touches_a_header(e, blocks)) {
                structure_writes++;
                EXPECT_TRUE(flushed) << "event " << i << ": the header write at sector " << e.first
                                     << " follows unflushed data";
            }
            flushed = false;
        }
        EXPECT_GT(structure_writes, 0);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().kind, store_event::FLUSH) << "the command ends with a flush";
    }
}
