// The card commands through the dispatcher: argument rules, order, subswap,
// the listing and "cdlist.txt", on card image files.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"
#include "card/cdimage/subchannel_swap.h"
#include "tests/card/layout/card_image.h"
#include "tests/card/layout/shell.h"

namespace {

const uint32_t B0 = 4097;

std::vector<std::string> numbers(std::vector<int> first, int block) {
    std::vector<std::string> out;
    std::vector<bool> used(100, false);
    for (int n : first) {
        out.push_back(std::to_string(block * 100 + n));
        used[n] = true;
    }
    for (int n = 0; n < 100; n++)
        if (!used[n]) out.push_back(std::to_string(block * 100 + n));
    return out;
}

std::vector<uint8_t> stored_order(card_image &card, uint32_t block) {
    std::vector<uint8_t> s = card.read(block + 2 + 5, 1);
    return std::vector<uint8_t>(s.begin(), s.begin() + 100);
}

}  // namespace

TEST(CardDispatch, ArgumentCountsAndUnknownRows) {
    card_image card(20000);
    ASSERT_EQ(card.format(), 0);
    for (const card_command_info *row = card_command_list(); row->name != nullptr; row++) {
        const char *v[] = {"", row->name};
        recording_log log;
        EXPECT_EQ(card_dispatch(log.sink, 2, v), 1) << row->name;
        EXPECT_EQ(log.text(), "") << row->name;
    }
    const char *nothing[] = {""};
    EXPECT_EQ(card_dispatch(log_null(), 1, nothing), 0);

    recording_log add_log;
    EXPECT_EQ(card.run(add_log, "add"), 1);
    EXPECT_EQ(add_log.text(), "");
    recording_log later;
    EXPECT_EQ(card.run(later, "add", {"image"}), 1);
    EXPECT_EQ(later.text(), "no such file or image set: image\n");
    recording_log unknown;
    EXPECT_EQ(card.run(unknown, "bogus"), 1);
    EXPECT_EQ(unknown.text(), "unknown card command bogus\n");
    recording_log order_log;
    EXPECT_EQ(card.run(order_log, "order", std::vector<std::string>(99, "0")), 1);
    EXPECT_EQ(order_log.text(), "");
}

TEST(CardOrder, KeepsUsedRecordsFirstAndRefusesBadOrders) {
    card_image card(40000);
    ASSERT_EQ(card.format(), 0);
    card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index"}, {800, 0, "A"}, {800, 0, "B"}}, 0);

    recording_log log;
    ASSERT_EQ(card.run(log, "order", numbers({5, 2, 0, 1}, 0)), 0) << log.text();
    std::vector<uint8_t> expected{2, 0, 1};
    for (int r = 3; r < 100; r++) expected.push_back(static_cast<uint8_t>(r));
    EXPECT_EQ(stored_order(card, B0), expected);

    std::vector<std::string> foreign = numbers({0, 2, 1}, 0);
    foreign[50] = "105";
    recording_log out_of_block;
    EXPECT_EQ(card.run(out_of_block, "order", foreign), 1);
    EXPECT_EQ(out_of_block.text(), "assigned number is out of bounds\n");

    std::vector<std::string> repeated = numbers({0, 2, 1}, 0);
    repeated[99] = "1";
    recording_log not_permutation;
    EXPECT_EQ(card.run(not_permutation, "order", repeated), 1);
    EXPECT_EQ(not_permutation.text(), "order_check() error\n");

    std::vector<std::string> garbage = numbers({0}, 0);
    garbage[3] = "2x";
    recording_log bad_number;
    EXPECT_EQ(card.run(bad_number, "order", garbage), 1);
    EXPECT_EQ(bad_number.text(), "not a number: 2x\n");

    recording_log no_block;
    EXPECT_EQ(card.run(no_block, "order", numbers({0}, 1)), 1);
    EXPECT_EQ(no_block.text(), "manage area block not found\n");
    EXPECT_EQ(stored_order(card, B0), expected);  // refusals changed nothing
}

TEST(CardSubswap, OnceFlipsEveryBlockTwiceRestoresTheCard) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    // A CD area of 801 sectors ends in a partial stored sector.
    // Random disc areas first; the names then go into their sector 3.
    uint32_t b1 = B0 + 2 + INDEX_DISC_SECTORS + 801 + 2;
    card.fill_random(B0 + 2 + INDEX_DISC_SECTORS, 801, 1);
    card.fill_random(b1 + 2 + INDEX_DISC_SECTORS, 900, 2);
    ASSERT_EQ(card.write_block(
                  B0, {{INDEX_DISC_SECTORS, 0, "index 0"}, {801, 0, "A"}, {2, 0x80, "R", 4, 1}}, 1),
              b1);
    uint32_t end = card.write_block(b1, {{INDEX_DISC_SECTORS, 0, "index 1"}, {900, 0, "B"}}, 0);
    recording_log commit_log;
    ASSERT_TRUE(card.commit(0, commit_log)) << commit_log.text();
    ASSERT_TRUE(card.commit(1, commit_log)) << commit_log.text();
    std::vector<uint8_t> original = card.read(B0, end - B0);

    recording_log log;
    ASSERT_EQ(card.run(log, "subswap"), 0) << log.text();
    EXPECT_EQ(log.text(), "1/3\n2/3\n3/3\n1/2\n2/2\n");
    EXPECT_EQ(log.ranges, (std::vector<int64_t>{int64_t{INDEX_DISC_SECTORS} * 512 / 2448, 167, 0,
                                                int64_t{INDEX_DISC_SECTORS} * 512 / 2448, 188}));
    std::vector<uint8_t> once = card.read(B0, end - B0);
    EXPECT_EQ(once[3], 4);
    EXPECT_EQ(once[size_t{b1 - B0} * 512 + 3], 4) << "second block flipped";
    // Disc A: every whole stored sector's subchannel interleaved, the rest as it was.
    size_t a = size_t{2 + INDEX_DISC_SECTORS} * 512;
    for (size_t k = 0; k < 167; k++) {
        uint8_t sub[96];
        memcpy(sub, &original[a + k * 2448], 96);
        subchannel_to_interleaved(sub);
        ASSERT_EQ(memcmp(sub, &once[a + k * 2448], 96), 0) << k;
        ASSERT_EQ(memcmp(&original[a + k * 2448 + 96], &once[a + k * 2448 + 96], 2352), 0) << k;
    }
    EXPECT_EQ(memcmp(&original[a + 167 * 2448], &once[a + 167 * 2448], 801 * 512 - 167 * 2448), 0);

    recording_log again;
    ASSERT_EQ(card.run(again, "subswap"), 0) << again.text();
    EXPECT_TRUE(card.read(B0, end - B0) == original);
}

TEST(CardListing, LinesOfBothKindsAndCdlistOnTheFatPartition) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    uint32_t b1 = card.write_block(B0, {{2048, 0, "IMAGE INDEX for 0-xx", 0, 0, 0x11}}, 1);
    card.write_block(b1,
                     {{INDEX_DISC_SECTORS, 0, "IMAGE INDEX for 1-xx"},
                      {800, 0, "One"},
                      {800, 1, "Two", 0, 0, 0x17},
                      {800, 0, "Three"},
                      {800, 0, std::string(300, 'n')},
                      {2, 0x80, "Rom", 0x01, 0x20, 1}},
                     0);
    recording_log log;
    ASSERT_EQ(card.run(log, "order", numbers({5, 0, 1}, 1)), 0) << log.text();
    std::string long_line = "1-04 00    0M 000011 " + std::string(254 - 21, 'n');
    EXPECT_EQ(shell_output("mtype -i " + card.fat_image() + " ::/cdlist.txt"),
              "format version 3\n"
              "0-00 00    1M 000011 IMAGE INDEX for 0-xx\n"
              "format version 3\n"
              "1-05 80-01-20 000001 Rom\n"
              "1-00 00    0M 000011 IMAGE INDEX for 1-xx\n"
              "1-01 00    0M 000011 One\n"
              "1-02 01    0M 000017 Two\n"
              "1-03 00    0M 000011 Three\n" +
                  long_line +
                  "\n"
                  "3/27MiB, uses 11.7%\n");
    std::string p0 = card.path() + ".p0";
    ASSERT_EQ(
        run_shell("dd if=" + card.path() + " of=" + p0 + " bs=512 skip=1 count=4096 status=none"),
        0);
    EXPECT_EQ(run_shell("fsck.fat -n " + p0 + " > /dev/null"), 0);
}

TEST(CardListing, UsageLineOfASevenGibibytePartition) {
    card_image card(uint64_t{0xE00000} + 4097);
    ASSERT_EQ(card.format(), 0);
    card.write_block(B0, {{0x100000 - 2, 0, "big index"}}, 0, 3, 25);
    recording_log log;
    ASSERT_TRUE(card.commit(0, log)) << log.text();
    EXPECT_EQ(shell_output("mtype -i " + card.fat_image() + " ::/cdlist.txt"),
              "format version 3\n"
              "0-00 00  511M 000011 big index\n"
              "512/7168MiB, uses  7.1%\n");
}

TEST(CardListing, EnumerateGivesDisplayOrderAndKinds) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    uint32_t b1 =
        card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "i0"}, {800, 1, "Solo", 0, 0, 0x17}}, 1);
    card.write_block(b1, {{INDEX_DISC_SECTORS, 0, "i1"}, {2, 0xC0, "Ram", 4, 8, 0x02}}, 0);
    recording_log log;
    ASSERT_EQ(card.run(log, "order", numbers({1, 0}, 0)), 0) << log.text();
    struct seen {
        uint32_t sectors = 0, blocks = 0;
        std::vector<std::string> rows;
    } s;
    ASSERT_TRUE(card_enumerate(
        log.sink, card.drive().c_str(),
        [](void *u, uint32_t sectors, uint32_t blocks) {
            static_cast<seen *>(u)->sectors = sectors;
            static_cast<seen *>(u)->blocks = blocks;
        },
        &s,
        [](void *u, uint32_t n, uint32_t offset, uint32_t length, uint8_t flags, uint32_t config,
           const char *name) {
            static_cast<seen *>(u)->rows.push_back(
                std::to_string(n) + " " + std::to_string(offset) + " " + std::to_string(length) +
                " " + std::to_string(flags) + " " + std::to_string(config) + " " + name);
        },
        &s));
    EXPECT_EQ(s.sectors, 60000u);
    EXPECT_EQ(s.blocks, 2u);
    EXPECT_EQ(s.rows, (std::vector<std::string>{"1 1302 800 1 1 Solo", "0 2 1300 0 2 i0",
                                                "100 2 1300 0 2 i1", "101 1302 2 192 1 Ram"}));
}
