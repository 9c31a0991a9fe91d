// "config", "config_single" and "config_multi" on a card image: the flags
// byte in the block header, the config word in the settings sector, the name
// sector, and "cdlist.txt".
#include <gtest/gtest.h>

#include "tests/card/commands/config_card.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ConfigSingle, SetsKindFlagsAndName) {
    config_card c;
    recording_log log;
    ASSERT_EQ(
        c.card.run(log, "config_single", {"0x2", "0x0", "0x0", "0x7f", "0xffffff00", "5", "Name"}),
        0)
        << log.text();
    EXPECT_TRUE(has(log.text(), "5:0x00000017->0x00000011\n")) << log.text();
    EXPECT_EQ(c.word(BLOCK0, 5), 0x11u);
    EXPECT_EQ(c.flags(BLOCK0, 5), 0x00);
    EXPECT_EQ(c.name_sector(BLOCK0, 5), "Name");
    EXPECT_TRUE(has(c.cdlist(), "0-05 00    0M 000011 Name\n")) << c.cdlist();
    // The neighbours keep their words.
    EXPECT_EQ(c.word(BLOCK0, 4), 0x01u);
    EXPECT_EQ(c.word(BLOCK0, 6), 0x11u);
}

TEST(ConfigSingle, SettingGroupsOfSevenAreKept) {
    config_card c;
    // Backup RAM area 1, Side area design 2, every other group 7.
    recording_log set;
    ASSERT_EQ(
        c.card.run(set, "config_single", {"0x0", "0x7f", "0x0", "0x7f", "0xfffeb900", "6", "Six"}),
        0)
        << set.text();
    EXPECT_TRUE(has(set.text(), "6:0x00000011->0x00008111\n")) << set.text();

    // Backup RAM area back to "common", the other seven settings kept.
    recording_log common;
    ASSERT_EQ(c.card.run(common, "config_single",
                         {"0x0", "0x7f", "0x0", "0x7f", "0xfffff800", "6", "Six"}),
              0)
        << common.text();
    EXPECT_TRUE(has(common.text(), "6:0x00008111->0x00008011\n")) << common.text();
    EXPECT_EQ(c.word(BLOCK0, 6), 0x8011u);
}

TEST(ConfigMulti, AppliesAcrossBlocksCommittingEach) {
    config_card c;
    recording_log log;
    ASSERT_EQ(
        c.card.run(log, "config_multi", {"0x0", "0x7f", "0x1", "0xc0", "0xffffff00", "3", "104"}),
        0)
        << log.text();
    EXPECT_TRUE(has(log.text(), "3:0x00000011->0x00000011\n104:0x00000001->0x0000000a\n"))
        << log.text();
    EXPECT_EQ(c.flags(BLOCK0, 3), 0x00);
    EXPECT_EQ(c.word(BLOCK0, 3), 0x11u);
    EXPECT_EQ(c.flags(c.block1, 4), 0xC0);
    EXPECT_EQ(c.word(c.block1, 4), 10u);
    EXPECT_TRUE(has(c.cdlist(), "1-04 c0-04-30 00000a Hu\n")) << c.cdlist();
}

TEST(ConfigMulti, FailureInALaterBlockKeepsEarlierBlocksCommitted) {
    config_card c;
    recording_log log;
    EXPECT_EQ(c.card.run(log, "config_multi",
                         {"0x3", "0x7f", "0x0", "0x7f", "0xffffff00", "3", "102", "150", "1"}),
              1);
    EXPECT_TRUE(has(log.text(), "over disc amount. amount 6, selected 50\n")) << log.text();
    EXPECT_EQ(c.word(BLOCK0, 3), 0x12u) << "block 0 was committed before block 1 was loaded";
    EXPECT_EQ(c.word(c.block1, 2), 0x11u) << "the failing block is not committed";
    EXPECT_EQ(c.word(BLOCK0, 1), 0x11u) << "numbers after the failure are not applied";
}

TEST(Config, SetsTheFlagsByteOnlyAndRenames) {
    config_card c;
    recording_log log;
    ASSERT_EQ(c.card.run(log, "config", {"7", "0x80"}), 0) << log.text();
    EXPECT_EQ(c.flags(BLOCK0, 7), 0x80);
    EXPECT_EQ(c.word(BLOCK0, 7), 0x11u);

    recording_log rename;
    ASSERT_EQ(c.card.run(rename, "config", {"105", "0x101", "Renamed"}), 0) << rename.text();
    EXPECT_EQ(c.flags(c.block1, 5), 0x01);
    EXPECT_EQ(c.name_sector(c.block1, 5), "Renamed");
    EXPECT_TRUE(has(c.cdlist(), "1-05 01    0M 000011 Renamed\n")) << c.cdlist();
}

TEST(Config, KeepsTheCardOpenableWhenAHuCardCannotBecomeACd) {
    config_card c;
    std::vector<uint8_t> header = c.card.read(BLOCK0, 2);
    recording_log log;
    EXPECT_EQ(c.card.run(log, "config", {"4", "0x00", "Four"}), 1);
    EXPECT_TRUE(has(log.text(), "too short for a CD entry")) << log.text();
    EXPECT_EQ(c.card.read(BLOCK0, 2), header);
}

TEST(ConfigCommands, RefuseBadImageNumbersWithoutWriting) {
    struct {
        const char *command;
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {"config", {"8", "0"}, "disc# is larger than disc amount\n"},
        {"config", {"200", "0"}, "disc# is not exist\n"},
        {"config", {"18446744073709551615", "0"}, "disc# is not exist\n"},
        {"config", {"7x", "0"}, "not a number: 7x\n"},
        {"config", {"7", ""}, "not a number: \n"},
        {"config_single",
         {"2", "0", "0", "0x7f", "0xffffff00", "8", "N"},
         "over disc amount. amount 8, selected 8\n"},
        {"config_single",
         {"2", "0", "0", "0x7f", "0xffffff00", "205", "N"},
         "disc# is not exist\n"},
        {"config_single", {"2", "0", "0", "0x7f", "0xffffff00", "0x", "N"}, "not a number: 0x\n"},
        {"config_multi", {"2", "0", "0", "0x7f", "0xffffff00", "1", "300"}, "disc# is not exist\n"},
        {"config_multi", {"2", "0", "0", "0x7f", "0xffffff00", "1", "-2"}, "not a number: -2\n"},
        {"config_multi", {"2", "zero", "0", "0x7f", "0xffffff00", "1"}, "not a number: zero\n"},
    };
    for (auto &k : cases) {
        config_card c;
        std::vector<uint8_t> before = c.snapshot();
        recording_log log;
        EXPECT_EQ(c.card.run(log, k.command, k.args), 1) << k.command << " " << k.args[0];
        EXPECT_TRUE(has(log.text(), k.message)) << k.command << ": " << log.text();
        EXPECT_TRUE(c.snapshot() == before) << k.command << ": the card was written";
    }
}
