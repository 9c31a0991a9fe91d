// Card tasks' command vectors and events, and jobs run on a card image file.
#include "gui/card/card_job.h"

#include <gtest/gtest.h>

#include "card/commands/card_list.h"
#include "card/layout/card_layout.h"
#include "tests/card/layout/card_image.h"

namespace {

card_command with(card_command head, uint32_t first, uint32_t last) {
    for (uint32_t n = first; n <= last; n++) head.push_back(std::to_string(n));
    return head;
}

const int KEEP_ALL[CONFIG_SETTING_COUNT] = {7, 7, 7, 7, 7, 7, 7, 7};

struct job_case {
    const char *context;
    card_job job;
    std::vector<card_command> want;
    int ok, failed;
};

TEST(CardJob, VectorsAndEventsOfEveryThreadClass) {
    const config_change change = config_change_pack(KEEP_ALL, 0, 0);
    const card_command five = {"0x0", "0x7f", "0x0", "0xff", "0xffffff00"};
    auto config = [&](const char *name, card_command images) {
        card_command c{name};
        c.insert(c.end(), five.begin(), five.end());
        c.insert(c.end(), images.begin(), images.end());
        return c;
    };
    const job_case cases[] = {
        {"format", card_job_format(), {{"format"}}, 0, 1},
        {"add with name", card_job_add("/cd/ys", "Ys", false), {{"add_withname", "/cd/ys", "Ys"}}, 2, 3},
        {"add in command display mode", card_job_add("/cd/ys", "Ys", true), {{"add", "/cd/ys"}}, 2, 3},
        {"add unverified: the option, then no more options", card_job_add("/cd/ys", "--no-verify", false, false),
         {{"add_withname", "--no-verify", "--", "/cd/ys", "--no-verify"}}, 2, 3},
        {"add checked against a DAT and named by it", card_job_add("/cd/ys", "--Ys", false, true, "/d/cd.dat", true),
         {{"add_withname", "--dat", "/d/cd.dat", "--name-by-dat", "--", "/cd/ys", "--Ys"}}, 2, 3},
        {"name by DAT without a DAT: no option", card_job_add("/cd/ys", "Ys", false, true, "", true),
         {{"add_withname", "/cd/ys", "Ys"}}, 2, 3},
        {"read all backup RAM", card_job_bkram_read("/sav", false), {{"bkram_multiread", "/sav", "0"}}, 4, 4},
        {"write backup RAM", card_job_bkram_write(104, "/sav/a.sav"),
         {{"bkram_write", "104", "/sav/a.sav"}}, 4, 4},
        {"configure one image: single with the name", card_job_config(change, {3}, "Ys"),
         {config("config_single", {"3", "Ys"})}, 6, 7},
        {"configure images 3 and 104: multi, no name", card_job_config(change, {3, 104}, "Ys"),
         {config("config_multi", {"3", "104"})}, 6, 7},
        {"configure nothing", card_job_config(change, {}, "Ys"), {}, 6, 7},
        {"raw dump", card_job_rawdump(7, "/work"), {{"rawdump", "7", "/work/disc07.raw"}}, 8, 9},
        {"amount change", card_job_amount_change(6), {{"amount_change", "6"}}, 8, 9},
        {"hash one stored image", card_job_hash(105), {{"mmchash", "#105"}}, 10, 11},
        {"check the card", card_job_check(), {{"check"}}, 15, 16},
        {"reorder 2, 0, 3, 1 on one block", card_job_reorder({2, 0, 3, 1}),
         {with({"order", "2", "0", "3", "1"}, 4, 99)}, 12, 13},
        {"reorder two blocks: one order each", card_job_reorder({1, 0, 101, 100, 102}),
         {with({"order", "1", "0"}, 2, 99), with({"order", "101", "100", "102"}, 103, 199)}, 12, 13},
        {"reorder refuses numbers from 10000", card_job_reorder({10000}), {}, 12, 13},
        {"extract two images as cue sheets", card_job_extract({3, 105}, "/out", "cue"),
         {{"extract", "--to=/out", "--as=cue", "--", "3", "105"}}, 17, 18},
        {"backup: a file name that looks like an option stays a file name",
         card_job_backup("--x.tar.zst"), {{"backup", "--", "--x.tar.zst"}}, 17, 18},
        {"restore onto the card as it is", card_job_restore("/a.tar.zst", false),
         {{"restore", "--", "/a.tar.zst"}}, 17, 18},
        {"restore after formatting", card_job_restore("/a.tar.zst", true),
         {{"restore", "--format", "--", "/a.tar.zst"}}, 17, 18},
    };
    for (const job_case &c : cases) {
        EXPECT_EQ(c.job.commands, c.want) << c.context;
        EXPECT_EQ(c.job.ok_event, c.ok) << c.context;
        EXPECT_EQ(c.job.failed_event, c.failed) << c.context;
        // A job without commands is one the page refuses with a log line.
        EXPECT_EQ(c.job.refusal.empty(), !c.want.empty()) << c.context;
    }
    std::vector<uint32_t> too_many(101, 5);
    EXPECT_TRUE(card_job_config(change, too_many, "").commands.empty());
    EXPECT_FALSE(card_job_config(change, too_many, "").refusal.empty());
    EXPECT_EQ(card_job_config(change, std::vector<uint32_t>(100, 5), "").commands.size(), 1u);
}

TEST(CardJob, DriveLetterOfTheChosenEntry) {
    EXPECT_EQ(card_drive_letter("E: sdb Card Reader 7.6 GiB"), 'E');
    EXPECT_EQ(card_drive_letter(""), ';');
}

struct listed {
    uint32_t sectors = 0, blocks = 0;
    std::vector<uint32_t> numbers;
};

listed list_card(const std::string &drive) {
    listed l;
    card_enumerate(
        log_null(), drive.c_str(),
        [](void *u, uint32_t sectors, uint32_t blocks) {
            static_cast<listed *>(u)->sectors = sectors;
            static_cast<listed *>(u)->blocks = blocks;
        },
        &l,
        [](void *u, uint32_t n, uint32_t, uint32_t, uint8_t, uint32_t, const char *) {
            static_cast<listed *>(u)->numbers.push_back(n);
        },
        &l);
    return l;
}

TEST(CardJob, RunsOnACardAndReportsTheEvent) {
    card_image card(300000);
    recording_log log;
    const char drive = card.drive()[0];
    EXPECT_EQ(card_job_run(log.sink, drive, card_job_format(), false), CARD_EVENT_FORMAT_OK);
    EXPECT_EQ(list_card(card.drive()).blocks, 1u);
    // Every command fails on the drive ';' and still yields its event.
    EXPECT_EQ(card_job_run(log.sink, ';', card_job_format(), false), CARD_EVENT_FORMAT_FAILED);
    EXPECT_EQ(card_job_run(log.sink, ';', card_job_hash(1), false), CARD_EVENT_HASH_FAILED);
    // An empty job (nothing to configure) fails without running anything.
    EXPECT_EQ(card_job_run(log.sink, drive, card_job_config({}, {}, ""), false),
              CARD_EVENT_CONFIG_FAILED);
}

TEST(CardJob, CommandDisplayModeWritesTheVectorFirst) {
    card_image card(300000);
    recording_log log;
    card_command_run(log.sink, card.drive()[0], {"amount_change", "7"}, true);
    EXPECT_EQ(log.text().rfind(" amount_change " + card.drive() + " 7 \n", 0), 0u) << log.text();
}

TEST(CardJob, OnlyChangedBlocksAreReorderedEachWholeOrNothingAtAll) {
    const std::vector<uint32_t> listed = {0, 1, 2, 3, 100, 101, 102};
    struct order_case {
        const char *context;
        std::vector<uint32_t> shown, want;
    };
    const order_case cases[] = {
        {"unchanged", listed, {}},
        {"block 1 changed", {0, 1, 2, 3, 100, 102, 101}, {100, 102, 101}},
        {"both changed", {0, 2, 1, 3, 101, 100, 102}, {0, 2, 1, 3, 101, 100, 102}},
        {"an image crossed into the other block", {0, 1, 2, 100, 3, 101, 102}, {}},
        {"an image duplicated", {0, 1, 2, 2, 100, 101, 102}, {}},
        {"an image missing", {0, 1, 2, 100, 101, 102}, {}},
    };
    for (const order_case &c : cases)
        EXPECT_EQ(card_order_changed_blocks(c.shown, listed), c.want) << c.context;
}

TEST(CardJob, ReorderPutsTheListOrderOnTheCard) {
    card_image card(400000);
    ASSERT_EQ(card.format(), 0);
    card.write_block(4097,
                     {{INDEX_DISC_SECTORS, 0, "index"},
                      {2, 0x80, "A", 1, 0x20},
                      {2, 0x80, "B", 1, 0x20},
                      {2, 0x80, "C", 1, 0x20}},
                     0);
    recording_log log;
    ASSERT_TRUE(card.commit(0, log)) << log.text();
    EXPECT_EQ(list_card(card.drive()).numbers, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(card_job_run(log.sink, card.drive()[0], card_job_reorder({2, 0, 3, 1}), false),
              CARD_EVENT_ORDER_OK)
        << log.text();
    EXPECT_EQ(list_card(card.drive()).numbers, (std::vector<uint32_t>{2, 0, 3, 1}));
}

TEST(CardJob, ListedRowsOfOneAndTwoBlocks) {
    const std::vector<disc_spec> first = {
        {INDEX_DISC_SECTORS, 0, "index"}, {2, 0x80, "Bomber", 1, 0x20}, {2, 0xC0, "Ram", 1, 0x20}};
    recording_log log;
    card_image one_block(400000);
    ASSERT_EQ(one_block.format(), 0);
    one_block.write_block(4097, first, 0);
    ASSERT_TRUE(one_block.commit(0, log)) << log.text();
    card_list one;
    ASSERT_TRUE(card_list_rows(log.sink, one_block.drive().c_str(), &one)) << log.text();
    ASSERT_EQ(one.rows.size(), 3u);
    EXPECT_EQ(one.rows[1].text, "01 R  Bomber");
    EXPECT_EQ(one.rows[2].text, "02 Rr Ram");

    card_image two_blocks(400000);
    ASSERT_EQ(two_blocks.format(), 0);
    const uint32_t second = two_blocks.write_block(4097, first, 1);
    two_blocks.write_block(second, {{INDEX_DISC_SECTORS, 0, "index2"}, {600, 0x01, "Disc"}}, 0);
    ASSERT_TRUE(two_blocks.commit(0, log)) << log.text();
    ASSERT_TRUE(two_blocks.commit(1, log)) << log.text();
    card_list two;
    ASSERT_TRUE(card_list_rows(log.sink, two_blocks.drive().c_str(), &two)) << log.text();
    ASSERT_EQ(two.rows.size(), 5u);
    EXPECT_EQ(two.rows[0].text, "0-00 D  index");
    EXPECT_EQ(two.rows[3].text, "1-00 D  index2");
    EXPECT_EQ(two.rows[4].text, "1-01 Dr Disc");
}

}  // namespace
