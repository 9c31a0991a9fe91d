// Opening cards: every refusal of card_open, with its message, on cards
// corrupted one field at a time. Nothing may be written to a refused card.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"
#include "tests/card/layout/card_image.h"

namespace {

const uint32_t B0 = 4097;

// A formatted card with one written block: index disc and two CDs.
uint32_t two_discs(card_image &card) {
    EXPECT_EQ(card.format(), 0);
    return card.write_block(B0,
                            {{INDEX_DISC_SECTORS, 0, "IMAGE INDEX for 0-xx"},
                             {800, 0, "Alpha"},
                             {2, 0x80, "Rom", 4, 32}},
                            0);
}

void patch32(card_image &card, uint64_t sector, size_t at, uint32_t value) {
    std::vector<uint8_t> s = card.read(sector, 1);
    le32_put(&s[at], value);
    card.write(sector, s);
}
void patch8(card_image &card, uint64_t sector, size_t at, uint8_t value) {
    std::vector<uint8_t> s = card.read(sector, 1);
    s[at] = value;
    card.write(sector, s);
}

}  // namespace

TEST(CardOpen, RefusalsAndTheirMessages) {
    struct {
        const char *why;
        std::function<void(card_image &)> damage;
        const char *message;
    } cases[] = {
        {"partition #0 type 0x0E", [](card_image &c) { patch8(c, 0, 0x1C2, 0x0E); },
         "partition #0 file system is not FAT series\n"},
        {"partition #1 type", [](card_image &c) { patch8(c, 0, 0x1D2, 0x83); },
         "partition #1 ID is not 0xda\n"},
        {"partition #1 at sector 0", [](card_image &c) { patch32(c, 0, 0x1D6, 0); },
         "partition #1 does not fit on the card\n"},
        {"partition #1 past the card", [](card_image &c) { patch32(c, 0, 0x1DA, 36000); },
         "partition #1 does not fit on the card\n"},
        {"magic", [](card_image &c) { patch8(c, B0, 0, 'X'); }, "partition header error\n"},
        {"version 2", [](card_image &c) { patch8(c, B0, 3, 2); }, "obsolate version 0x02\n"},
        {"version 9", [](card_image &c) { patch8(c, B0, 3, 9); }, "unknown version 0x09\n"},
        {"capacity 0", [](card_image &c) { patch32(c, B0, 8, 0); },
         "partition management amount error\n"},
        {"amount above capacity", [](card_image &c) { patch32(c, B0, 4, 13); },
         "partition management amount error\n"},
        {"amount above 100", [](card_image &c) { patch32(c, B0, 4, 0x10000); },
         "partition management amount error\n"},
        {"record past partition #1", [](card_image &c) { patch32(c, B0, 68, 0xFFFFFF); },
         "disc record 0 lies outside partition #1\n"},
        {"record overlapping the header", [](card_image &c) { patch32(c, B0, 72, 1); },
         "disc record 1 lies outside partition #1\n"},
        {"link backwards", [](card_image &c) { patch32(c, B0, 12, 100); },
         "manage area chain is incorrect\n"},
        {"link beside the last area", [](card_image &c) { patch32(c, B0, 12, B0 + 5000); },
         "manage area chain is incorrect\n"},
    };
    for (auto &c : cases) {
        card_image card(40000);
        two_discs(card);
        c.damage(card);
        std::vector<uint8_t> before = card.read(0, 8000);
        recording_log log;
        EXPECT_EQ(card.run(log, "subswap"), 1) << c.why;
        EXPECT_EQ(log.text(), c.message) << c.why;
        EXPECT_EQ(card.read(0, 8000), before) << c.why;
    }
}

TEST(CardOpen, DriveLetterChecks) {
    struct {
        const char *drive;
        const char *message;
    } cases[] = {
        {"", "logical drive syntax length must be 1\n"},
        {"ab", "logical drive syntax length must be 1\n"},
        {"1", "logical drive name is not from A to Z\n"},
        {";", "logical drive name is not from A to Z\n"},
    };
    for (auto &c : cases) {
        const char *v[] = {"", "subswap", c.drive};
        recording_log log;
        EXPECT_EQ(card_dispatch(log.sink, 3, v), 1) << c.drive;
        EXPECT_EQ(log.text(), c.message) << c.drive;
    }
    // A letter with no card behind it.
    const char *v[] = {"", "subswap", "q"};
    recording_log log;
    EXPECT_EQ(card_dispatch(log.sink, 3, v), 1);
    EXPECT_NE(log.text().find("error opening physical drive\n"), std::string::npos) << log.text();
}

TEST(CardOpen, ChainsOfTenBlocksAreRefusedAndNineOpen) {
    for (int blocks : {9, 10}) {
        card_image card(200000);
        ASSERT_EQ(card.format(), 0);
        uint32_t s = B0;
        for (int k = 0; k < blocks; k++)
            s = card.write_block(s, {{INDEX_DISC_SECTORS, 0, "index"}}, k + 1 < blocks ? 1 : 0);
        recording_log log;
        int status = card.run(log, "order", std::vector<std::string>(100, "0"));
        if (blocks == 9) {
            EXPECT_EQ(log.text(), "order_check() error\n");
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_EQ(log.text(), "manage area chain is longer than 9 blocks\n");
        }
    }
}

TEST(CardOpen, TwoBlocksLeaveTheContextOnTheFirstAndCountBoth) {
    card_image card(40000);
    ASSERT_EQ(card.format(), 0);
    uint32_t b1 = card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index 0"}, {800, 0, "A"}}, 1);
    card.write_block(b1, {{INDEX_DISC_SECTORS, 0, "index 1"}, {2, 0x80, "R", 4, 1}}, 0);

    auto c = std::make_unique<card_context>();
    recording_log log;
    c->disk = nullptr;
    c->log = log.sink;
    c->drive = card.drive().c_str();
    ASSERT_TRUE(card_open(c.get())) << log.text();
    EXPECT_EQ(c->block, B0);
    EXPECT_EQ(c->managearea_num, 2u);
    EXPECT_EQ(c->used, 2 + INDEX_DISC_SECTORS + 800 + 2 + INDEX_DISC_SECTORS + 2);
    EXPECT_EQ(c->managearea_lba_next, b1);
    EXPECT_STREQ(c->entries[1].name, "A");
    EXPECT_EQ(c->entries[1].config, 0x11u);
    ASSERT_TRUE(managearea_select(c.get(), 1));
    EXPECT_EQ(c->block, b1);
    EXPECT_EQ(c->entries[1].romconfig[0], 4);
    EXPECT_STREQ(c->entries[1].name, "R");
    EXPECT_FALSE(managearea_select(c.get(), 2));
    EXPECT_EQ(log.text(), "manage area block not found\n");
    disk_close(c->disk);
}

TEST(CardOpen, FreshCardHasOneEmptyBlockAndReadsNoSettings) {
    card_image card(40000);
    ASSERT_EQ(card.format(), 0);
    auto c = std::make_unique<card_context>();
    recording_log log;
    c->disk = nullptr;
    c->log = log.sink;
    c->drive = card.drive().c_str();
    ASSERT_TRUE(card_open(c.get()));
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(c->managearea_num, 1u);
    EXPECT_EQ(c->disc_amount, 0u);
    EXPECT_EQ(c->used, 2u);
    EXPECT_EQ(c->order[99], 99);
    disk_close(c->disk);
}

TEST(CardOpen, SettingsThatAreNoPermutationGiveTheIdentityOrder) {
    card_image card(40000);
    two_discs(card);
    std::vector<uint8_t> settings(512, 0);
    for (int p = 0; p < 100; p++) settings[p] = static_cast<uint8_t>(p == 1 ? 0 : 99 - p);
    card.write(B0 + 2 + 5, settings);
    auto c = std::make_unique<card_context>();
    recording_log log;
    c->disk = nullptr;
    c->log = log.sink;
    c->drive = card.drive().c_str();
    ASSERT_TRUE(card_open(c.get()));
    EXPECT_EQ(log.text(), "reorder data not found\n");
    for (int p = 0; p < 100; p++) EXPECT_EQ(c->order[p], p);
    disk_close(c->disk);
}
