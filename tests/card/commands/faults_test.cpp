// The configuration, backup RAM and raw dump commands on a card whose reads
// or writes fail: every failure fails the command and leaves the user's files
// as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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

}  // namespace

TEST(ConfigFaults, EveryFailedWriteFailsTheCommand) {
    struct {
        const char *command;
        std::vector<std::string> args;
    } cases[] = {{"config_single", SINGLE}, {"amount_change", {"5"}}};
    for (auto &k : cases) {
        uint32_t writes;
        {
            config_card c;
            faulty probe(c, fault_plan{});
            recording_log log;
            ASSERT_EQ(probe.run(log, k.command, k.args), 0) << log.text();
            writes = probe.counts().writes;
            ASSERT_GE(writes, 3u) << k.command;
        }
        for (uint32_t n = 1; n <= writes; n++) {
            config_card c;
            fault_plan plan;
            plan.fail_write_at = n;
            faulty card(c, plan);
            recording_log log;
            EXPECT_EQ(card.run(log, k.command, k.args), 1) << k.command << " write " << n;
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
