// The configuration, backup RAM and raw dump commands on a card whose reads
// or writes fail: every failure fails the command, leaves a card that opens
// holding the old or the new contents, and leaves the user's files as they
// were.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "card/cdimage/bcd.h"
#include "card/commands/card_dispatch.h"
#include "card/store/drive_table.h"
#include "card/store/sector_store_fault.h"
#include "core/file_util.h"
#include "tests/card/commands/config_card.h"

namespace {

// The prepared card image behind a fault store, under its own letter.
class faulty {
public:
    faulty(config_card &c, const fault_plan &plan) {
        EXPECT_EQ(image_store_open(c.card.path().c_str(), &image_), 0);
        fault_ = fault_store_wrap(image_, plan);
        drive_ = std::string(1, drive_table_register_store(fault_));
    }
    ~faulty() {
        drive_table_forget(drive_[0]);
        store_close(fault_);
        store_close(image_);
    }
    int run(recording_log &log, const std::string &command, const std::vector<std::string> &args) {
        std::vector<const char *> v{"", command.c_str(), drive_.c_str()};
        for (const std::string &a : args) v.push_back(a.c_str());
        return card_dispatch(log.sink, static_cast<int>(v.size()), v.data());
    }
    fault_counts counts() { return fault_store_counts(fault_); }

private:
    sector_store *image_ = nullptr;
    sector_store *fault_ = nullptr;
    std::string drive_;
};

const std::vector<std::string> SINGLE = {"0x2", "0x0", "0x0", "0x7f", "0xffffff00", "5", "Name"};

// Every file of the folder by name with its bytes.
std::map<std::string, std::string> folder_files(const temp_dir &dir) {
    std::map<std::string, std::string> files;
    for (const auto &e : std::filesystem::directory_iterator(dir.dir)) {
        std::string bytes(static_cast<size_t>(e.file_size()), '\0');
        file_read_whole(e.path().c_str(), bytes.data(), bytes.size());
        files[e.path().filename().string()] = bytes;
    }
    return files;
}

// Each sector that a command may write holds what it held before or what a
// clean run leaves there: nothing half-built, nothing foreign.
void expect_sectors_old_or_new(const std::vector<uint8_t> &before,
                               const std::vector<uint8_t> &after, const std::vector<uint8_t> &now) {
    ASSERT_EQ(now.size(), before.size());
    ASSERT_EQ(after.size(), before.size());
    for (size_t at = 0; at < now.size(); at += 512) {
        bool old = memcmp(&now[at], &before[at], 512) == 0;
        bool fresh = memcmp(&now[at], &after[at], 512) == 0;
        ASSERT_TRUE(old || fresh) << "snapshot sector " << at / 512 << " is neither";
    }
}

// The stored sectors of block 0's index disc up to the end of its last track.
std::vector<uint8_t> index_disc_bytes(config_card &c) {
    uint32_t frames = 150 + 375 * 7 + 1;
    return c.card.read(c.area(BLOCK0, 0), (frames * 2448 + 511) / 512);
}

// Every listed image of block 0 keeps its track: its TOC frame, a TOC that
// still reaches it (A1 and the lead-out A2), and its stored sectors.
void expect_listed_tracks_intact(config_card &c, const std::vector<std::string> &rows,
                                 const std::vector<uint8_t> &before) {
    std::vector<uint8_t> now = index_disc_bytes(c);
    const uint8_t *toc = &now[96];
    for (const std::string &row : rows) {
        uint32_t r = static_cast<uint32_t>(std::stoul(row));
        if (r == 0 || r >= 100) continue;
        SCOPED_TRACE("track " + std::to_string(r));
        EXPECT_EQ(memcmp(toc + 12 * (2 + r), &before[96 + 12 * (2 + r)], 12), 0);
        EXPECT_GE(bcd_to_bin(toc[12 + 7]), r) << "A1 names an earlier last track";
        EXPECT_GE(msf_to_frames(&toc[24 + 7]), 150 + 375 * r) << "the lead-out cuts the track";
        size_t from = size_t{150 + 375 * (r - 1)} * 2448, to = size_t{150 + 375 * r} * 2448;
        EXPECT_EQ(memcmp(&now[from], &before[from], to - from), 0) << "stored sectors changed";
    }
}

}  // namespace

TEST(ConfigFaults, EveryFailedWriteFailsTheCommandAndLeavesTheOldOrTheNewCard) {
    struct {
        const char *command;
        std::vector<std::string> args;
        bool listing_old_or_new;  // name, word and flags lie in three sectors: not atomic
    } cases[] = {{"config_single", SINGLE, false}, {"amount_change", {"5"}, true}};
    for (auto &k : cases) {
        SCOPED_TRACE(k.command);
        uint32_t writes;
        std::vector<uint8_t> before, after, index_before;
        std::vector<std::string> listed_before, listed_after;
        {
            config_card c;
            before = c.snapshot();
            index_before = index_disc_bytes(c);
            listed_before = c.listing();
            faulty probe(c, fault_plan{});
            recording_log log;
            ASSERT_EQ(probe.run(log, k.command, k.args), 0) << log.text();
            writes = probe.counts().writes;
            ASSERT_GE(writes, 3u);
            after = c.snapshot();
            listed_after = c.listing();
        }
        ASSERT_NE(listed_before, listed_after);
        for (uint32_t n = 1; n <= writes; n++) {
            SCOPED_TRACE("write " + std::to_string(n) + " fails");
            config_card c;
            fault_plan plan;
            plan.fail_write_at = n;
            {
                faulty card(c, plan);
                recording_log log;
                EXPECT_EQ(card.run(log, k.command, k.args), 1);
            }
            std::vector<std::string> listed = c.listing();
            ASSERT_FALSE(listed.empty()) << "the card does not open";
            expect_sectors_old_or_new(before, after, c.snapshot());
            if (k.listing_old_or_new) {
                EXPECT_TRUE(listed == listed_before || listed == listed_after);
                expect_listed_tracks_intact(c, listed, index_before);
            }
        }
    }
}

TEST(ConfigFaults, FailedFlushFailsTheCommand) {
    config_card c;
    fault_plan plan;
    plan.fail_flush = true;
    faulty card(c, plan);
    recording_log log;
    EXPECT_EQ(card.run(log, "config", {"7", "0x80"}), 1);
}

TEST(ConfigFaults, ConfigMultiFailingInItsSecondCommitKeepsTheFirst) {
    uint32_t first_commit;
    {
        config_card c;
        faulty probe(c, fault_plan{});
        recording_log log;
        ASSERT_EQ(probe.run(log, "config_multi", {"3", "0x7f", "0", "0x7f", "0xffffff00", "3"}), 0);
        first_commit = probe.counts().writes;
    }
    config_card c;
    fault_plan plan;
    plan.fail_write_at = first_commit + 1;
    {
        faulty card(c, plan);
        recording_log log;
        EXPECT_EQ(
            card.run(log, "config_multi", {"3", "0x7f", "0", "0x7f", "0xffffff00", "3", "102"}), 1);
    }
    EXPECT_EQ(c.word(BLOCK0, 3), 0x12u);
    EXPECT_EQ(c.word(c.block1, 2), 0x11u);
}

TEST(RawFaults, FailedTransfersFailTheCommands) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> save(2048, 0);
    file_write_whole(dir.path("in.sav").c_str(), save.data(), save.size());
    struct {
        const char *command;
        std::vector<std::string> args;
        bool on_read;
        const char *message;
    } cases[] = {
        {"bkram_write", {"3", dir.path("in.sav")}, false, "write error\n"},
        {"bkram_read", {"3", dir.path("out.sav")}, true, "read error\n"},
        {"bkram_multiread", {dir.dir}, true, "read error\n"},
        {"rawdump", {"0", dir.path("dump.bin")}, true, "read error\n"},
    };
    for (auto &k : cases) {
        uint32_t reads;
        {
            faulty probe(c, fault_plan{});
            recording_log log;
            ASSERT_EQ(probe.run(log, k.command, k.args), 0) << k.command << log.text();
            reads = probe.counts().reads;
        }
        // What the user had before must come through the failure untouched.
        for (const char *name : {"out.sav", "dump.bin"})
            file_write_whole(dir.path(name).c_str(), "previous", 8);
        const std::map<std::string, std::string> before = folder_files(dir);
        fault_plan plan;
        if (k.on_read)
            plan.fail_read_at = reads;  // the command's last read
        else
            plan.fail_write_at = 1;
        faulty card(c, plan);
        recording_log log;
        EXPECT_EQ(card.run(log, k.command, k.args), 1) << k.command;
        EXPECT_NE(log.text().find(k.message), std::string::npos) << k.command << log.text();
        EXPECT_EQ(folder_files(dir), before) << k.command;
    }
}
