// "amount_change": the block header, the settings sector, the index disc's
// table of contents and lead-out, the chain and "cdlist.txt".
#include <gtest/gtest.h>

#include "core/le_bytes.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "tests/card/commands/config_card.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// Frame i of the index disc's table of contents.
std::vector<uint8_t> toc_frame(config_card &c, uint32_t b, int i) {
    std::vector<uint8_t> s = c.card.read(c.area(b, 0), 3);
    return {s.begin() + 96 + 12 * i, s.begin() + 96 + 12 * (i + 1)};
}

}  // namespace

TEST(AmountChange, CutsTheBlockAndTheChainBehindIt) {
    config_card c;
    recording_log log;
    ASSERT_EQ(c.card.run(log, "amount_change", {"5"}), 0) << log.text();
    EXPECT_TRUE(has(log.text(), "disc amount 8->5\n")) << log.text();

    EXPECT_EQ(c.amount(BLOCK0), 5u);
    EXPECT_EQ(c.next(BLOCK0), 0u) << "block 1 leaves the chain";
    std::vector<uint8_t> header = c.card.read(BLOCK0, 2);
    EXPECT_TRUE(std::all_of(header.begin() + 64 + 8 * 5, header.end(), [](uint8_t b) {
        return !b;
    })) << "records 5 and later are cleared";
    std::vector<uint8_t> settings = c.card.read(c.area(BLOCK0, 0) + 5, 4);
    EXPECT_EQ(le32_get(&settings[100 + 4 * 4]), 1u);
    for (uint32_t r = 5; r < 100; r++) EXPECT_EQ(le32_get(&settings[100 + 4 * r]), 0u) << r;

    // TOC: A1 names track 4, A2 moves to where track 5 started (00:22:00).
    std::vector<uint8_t> a1 = toc_frame(c, BLOCK0, 1), a2 = toc_frame(c, BLOCK0, 2);
    EXPECT_EQ(a1[7], 0x04);
    EXPECT_EQ((std::vector<uint8_t>{a2[7], a2[8], a2[9]}),
              (std::vector<uint8_t>{0x00, 0x22, 0x00}));
    EXPECT_TRUE(q_crc_ok(a1.data()) && q_crc_ok(a2.data()));
    // The lead-out sector at frame 1650 carries A2 as a lead-out Q frame.
    uint64_t at = uint64_t{1650} * 2448;
    std::vector<uint8_t> lead = c.card.read(c.area(BLOCK0, 0) + at / 512, 2);
    const uint8_t *q = &lead[at % 512 + 12];
    EXPECT_EQ(q[1], 0xAA);
    EXPECT_EQ(q[2], 0x00);
    EXPECT_EQ(q[8], 0x22);
    EXPECT_TRUE(q_crc_ok(q));

    std::string list = c.cdlist();
    EXPECT_TRUE(has(list, "0-04 80-04-10 000001 Four\n")) << list;
    EXPECT_FALSE(has(list, "0-05")) << list;
    EXPECT_FALSE(has(list, "1-0")) << list;
    EXPECT_TRUE(has(list, "12/27MiB, uses 47.2%")) << list;

    recording_log gone;
    EXPECT_EQ(c.card.run(gone, "config", {"101", "0"}), 1);
    EXPECT_TRUE(has(gone.text(), "disc# is not exist\n")) << gone.text();
}

TEST(AmountChange, InTheSecondBlockKeepsTheFirst) {
    config_card c;
    std::vector<uint8_t> block0 = c.card.read(BLOCK0, 2);
    recording_log log;
    ASSERT_EQ(c.card.run(log, "amount_change", {"102"}), 0) << log.text();
    EXPECT_TRUE(has(log.text(), "disc amount 6->2\n")) << log.text();
    EXPECT_EQ(c.amount(c.block1), 2u);
    EXPECT_EQ(c.card.read(BLOCK0, 2), block0);
    EXPECT_TRUE(has(c.cdlist(), "1-01 00    0M 000011 B1\n")) << c.cdlist();
    EXPECT_FALSE(has(c.cdlist(), "1-02")) << c.cdlist();
}

TEST(AmountChange, RefusesIndexDiscAndFirstImageAndBadNumbers) {
    struct {
        const char *number, *message;
    } cases[] = {
        {"1", "disc#0 or disc#1 not accepted\n"},
        {"0", "disc#0 or disc#1 not accepted\n"},
        {"100", "disc#0 or disc#1 not accepted\n"},
        {"8", "disc# is larger than disc amount\n"},
        {"300", "disc# is not exist\n"},
        {"-5", "not a number: -5\n"},
        {"5.0", "not a number: 5.0\n"},
    };
    config_card c;
    std::vector<uint8_t> before = c.snapshot();
    for (auto &k : cases) {
        recording_log log;
        EXPECT_EQ(c.card.run(log, "amount_change", {k.number}), 1) << k.number;
        EXPECT_TRUE(has(log.text(), k.message)) << k.number << ": " << log.text();
    }
    EXPECT_TRUE(c.snapshot() == before);
}
