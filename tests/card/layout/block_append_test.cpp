// Extending the chain and naming entries through the card layout's own
// operations, as the adding command uses them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "card/layout/card_layout.h"
#include "tests/card/layout/card_image.h"

namespace {

const uint32_t B0 = 4097;

struct opened {
    explicit opened(card_image &card) : c(std::make_unique<card_context>()) {
        c->disk = nullptr;
        c->log = log.sink;
        c->drive = card.drive().c_str();
        ok = card_open(c.get());
    }
    ~opened() {
        if (ok) disk_close(c->disk);
    }
    recording_log log;
    std::unique_ptr<card_context> c;
    bool ok;
};

}  // namespace

TEST(CardAppend, NewBlockIsLinkedAfterTheLastAreaAndKeepsTheVersion) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    uint32_t end = card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index"}, {800, 0, "A"}}, 0, 4);
    {
        opened o(card);
        ASSERT_TRUE(o.ok) << o.log.text();
        ASSERT_TRUE(managearea_append(o.c.get())) << o.log.text();
        EXPECT_EQ(o.log.text(), "disc manage max = 12\ninitialization successful.\n");
        EXPECT_EQ(o.c->block, end);
        EXPECT_EQ(o.c->disc_amount, 0u);
        EXPECT_EQ(o.c->version, 4);
        EXPECT_EQ(o.c->managearea_num, 2u);
        EXPECT_EQ(o.c->used, 2 + INDEX_DISC_SECTORS + 800 + 2);
        ASSERT_TRUE(managearea_write(o.c.get())) << o.log.text();
    }
    opened again(card);
    ASSERT_TRUE(again.ok) << again.log.text();
    EXPECT_EQ(again.c->managearea_num, 2u);
    EXPECT_EQ(again.c->managearea_lba_next, end);
    ASSERT_TRUE(managearea_select(again.c.get(), 1));
    EXPECT_EQ(again.c->version, 4) << "one layout for every block of a card";
}

TEST(CardAppend, RefusesATenthBlockAndAnEmptyBlock) {
    card_image card(200000);
    ASSERT_EQ(card.format(), 0);
    {
        opened empty(card);
        ASSERT_TRUE(empty.ok);
        EXPECT_FALSE(managearea_append(empty.c.get()));
    }
    uint32_t s = B0;
    for (int k = 0; k < 9; k++)
        s = card.write_block(s, {{INDEX_DISC_SECTORS, 0, "i"}}, k < 8 ? 1 : 0);
    std::vector<uint8_t> before = card.read(B0, s - B0 + 16);
    opened o(card);
    ASSERT_TRUE(o.ok) << o.log.text();
    ASSERT_TRUE(managearea_select(o.c.get(), 8));
    EXPECT_FALSE(managearea_append(o.c.get()));
    EXPECT_EQ(o.log.text(), "manage area chain is full (9 blocks)\n");
    EXPECT_EQ(card.read(B0, s - B0 + 16), before);
}

TEST(CardNames, NameSectorHoldsAtMost511BytesAndZeros) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index"}, {2, 0x80, "old", 4, 1}}, 0);
    opened o(card);
    ASSERT_TRUE(o.ok);
    ASSERT_TRUE(name_write(o.c.get(), &o.c->entries[1], std::string(600, 'x').c_str()));
    std::vector<uint8_t> rom_name = card.read(B0 + 2 + INDEX_DISC_SECTORS + 1, 1);
    EXPECT_EQ(std::string(rom_name.begin(), rom_name.begin() + 511), std::string(511, 'x'));
    EXPECT_EQ(rom_name[511], 0);
    ASSERT_TRUE(name_write(o.c.get(), &o.c->entries[0], "IMAGE INDEX for 0-xx"));
    std::vector<uint8_t> cd_name = card.read(B0 + 2 + 3, 1);
    EXPECT_STREQ(reinterpret_cast<const char *>(cd_name.data()), "IMAGE INDEX for 0-xx");
}

TEST(CardCommit, LengthsBeyondTwentyFourBitsAreNotWritten) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index"}, {800, 0, "A"}}, 0);
    std::vector<uint8_t> before = card.read(B0, 2 + INDEX_DISC_SECTORS);
    opened o(card);
    ASSERT_TRUE(o.ok);
    o.c->entries[1].length = 0x01000000;
    EXPECT_FALSE(order_write(o.c.get()));
    EXPECT_EQ(o.log.text(), "disc record 1 is too long for its 24-bit length\n");
    EXPECT_EQ(card.read(B0, 2 + INDEX_DISC_SECTORS), before);
}

TEST(CardCommit, HeadersThatWouldNotOpenAgainAreNotWritten) {
    card_image card(60000);
    ASSERT_EQ(card.format(), 0);
    uint32_t end = card.write_block(B0, {{INDEX_DISC_SECTORS, 0, "index"}, {800, 0, "A"}}, 0);
    std::vector<uint8_t> before = card.read(B0, 2 + INDEX_DISC_SECTORS);
    opened o(card);
    ASSERT_TRUE(o.ok);
    o.c->entries[1].length = 60000;  // past partition #1
    EXPECT_FALSE(order_write(o.c.get()));
    o.c->entries[1].length = 800;
    o.c->managearea_lba_next = end + 1;  // not where the last area ends
    EXPECT_FALSE(order_write(o.c.get()));
    EXPECT_EQ(o.log.text(),
              "disc record 1 lies outside partition #1\nmanage area chain is incorrect\n");
    EXPECT_EQ(card.read(B0, 2 + INDEX_DISC_SECTORS), before);
}
