// Card layout records parsed from buffers, number parsing and the subchannel
// layouts: the pieces of the card store that need no card.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "card/layout/card_layout.h"
#include "card/layout/layout_records.h"
#include "core/le_bytes.h"
#include "card/cdimage/subchannel_swap.h"
#include "tests/support/recording_log.h"

namespace {

// A block header with the given fields and records at offsets 2, 2+len0, ...
struct header_bytes {
    uint8_t b[MANAGEAREA_HEADER_BYTES] = {};
    header_bytes(uint8_t version, uint32_t amount, uint32_t max, uint32_t next) {
        memcpy(b, "VMK", 3);
        b[3] = version;
        le32_put(b + 4, amount);
        le32_put(b + 8, max);
        le32_put(b + 12, next);
    }
    void record(int i, uint32_t offset, uint32_t length, uint8_t flags) {
        le32_put(b + 64 + 8 * i, offset);
        le24_put(b + 68 + 8 * i, length);
        b[71 + 8 * i] = flags;
    }
};

}  // namespace

TEST(CardLayoutRecords, MbrTypesAndPartitionBounds) {
    struct {
        const char *why;
        uint8_t type0, type1;
        uint32_t first, size, card;
        const char *message;  // nullptr: accepted
    } cases[] = {
        {"as formatted", 0x01, 0xDA, 4097, 1000, 5097, nullptr},
        {"FAT32 LBA counts as FAT", 0x0C, 0xDA, 4097, 1000, 5097, nullptr},
        {"0x0E is not in the FAT set", 0x0E, 0xDA, 4097, 1000, 5097,
         "partition #0 file system is not FAT series\n"},
        {"second partition of another type", 0x01, 0x83, 4097, 1000, 5097,
         "partition #1 ID is not 0xda\n"},
        {"first sector 0", 0x01, 0xDA, 0, 1000, 5097, "partition #1 does not fit on the card\n"},
        {"larger than the card", 0x01, 0xDA, 4097, 1001, 5097,
         "partition #1 does not fit on the card\n"},
        {"end beyond 32 bits", 0x01, 0xDA, 0xFFFFFF00, 0x200, 0xFFFFFFFF,
         "partition #1 does not fit on the card\n"},
    };
    for (auto &c : cases) {
        uint8_t s[512];
        mbr_build(s, 5097);
        s[0x1C2] = c.type0;
        s[0x1D2] = c.type1;
        le32_put(s + 0x1D6, c.first);
        le32_put(s + 0x1DA, c.size);
        recording_log log;
        uint32_t first = 0, size = 0;
        bool ok = mbr_parse(log.sink, s, c.card, &first, &size);
        EXPECT_EQ(ok, c.message == nullptr) << c.why;
        EXPECT_EQ(log.text(), c.message ? c.message : "") << c.why;
        if (ok) {
            EXPECT_EQ(first + size, c.card) << c.why;
        }
    }
}

TEST(CardLayoutRecords, HeaderFieldsAreRefusedBeforeRecordsAreRead) {
    struct {
        const char *why;
        uint8_t version;
        uint32_t amount, max;
        const char *message;
    } cases[] = {
        {"version 3", 3, 2, 12, nullptr},
        {"version 4", 4, 12, 12, nullptr},
        {"version 0", 0, 0, 12, "unknown version 0x00\n"},
        {"version 5", 5, 0, 12, "unknown version 0x05\n"},
        {"version 2", 2, 0, 12, "obsolate version 0x02\n"},
        {"capacity 0", 3, 0, 0, "partition management amount error\n"},
        {"capacity 101", 3, 0, 101, "partition management amount error\n"},
        {"amount above capacity", 3, 13, 12, "partition management amount error\n"},
        {"amount that would run past the header", 3, 0xFFFFFFFF, 100,
         "partition management amount error\n"},
    };
    for (auto &c : cases) {
        header_bytes h(c.version, c.amount, c.max, 0);
        recording_log log;
        managearea_header parsed;
        EXPECT_EQ(managearea_header_parse(log.sink, h.b, &parsed), c.message == nullptr) << c.why;
        EXPECT_EQ(log.text(), c.message ? c.message : "") << c.why;
    }
    header_bytes bad_magic(3, 0, 12, 0);
    bad_magic.b[0] = 'X';
    recording_log log;
    managearea_header parsed;
    EXPECT_FALSE(managearea_header_parse(log.sink, bad_magic.b, &parsed));
    EXPECT_EQ(log.text(), "partition header error\n");
}

TEST(CardLayoutRecords, RecordsAndLinkMustStayInsidePartitionOne) {
    const uint32_t first = 4097, size = 100000, s = 4097;
    struct {
        const char *why;
        uint32_t off1, len1, next;
        const char *message;
    } cases[] = {
        {"well formed, end of chain", 5002, 2, 0, nullptr},
        {"well formed, linked", 5002, 2, s + 5004, nullptr},
        {"record past the partition", 5002, size, 0, "disc record 1 lies outside partition #1\n"},
        {"record inside the header", 1, 2, 0, "disc record 1 lies outside partition #1\n"},
        {"ROM area without its name sector", 5002, 1, 0, "disc record 1 is too short\n"},
        {"link backwards", 5002, 2, s - 1, "manage area chain is incorrect\n"},
        {"link to itself", 5002, 2, s, "manage area chain is incorrect\n"},
        {"link not after the last area", 5002, 2, s + 6000, "manage area chain is incorrect\n"},
        {"link past the card", 5002, size - 5003, s + size - 1, "manage area chain is incorrect\n"},
    };
    for (auto &c : cases) {
        header_bytes h(3, 2, 12, c.next);
        h.record(0, 2, 5000, 0);
        h.record(1, c.off1, c.len1, 0x80);
        managearea_header parsed;
        recording_log log;
        ASSERT_TRUE(managearea_header_parse(log.sink, h.b, &parsed)) << c.why;
        EXPECT_EQ(managearea_header_check(log.sink, parsed, s, first, size), c.message == nullptr)
            << c.why;
        EXPECT_EQ(log.text(), c.message ? c.message : "") << c.why;
    }
    // An empty block cannot link on: it has no last area to end at.
    header_bytes empty(3, 0, 12, s + 2);
    managearea_header parsed;
    recording_log log;
    ASSERT_TRUE(managearea_header_parse(log.sink, empty.b, &parsed));
    EXPECT_FALSE(managearea_header_check(log.sink, parsed, s, first, size));
}

TEST(CardLayoutRecords, StoreKeepsReservedBytesAndWritesTwentyFourBitLengths) {
    header_bytes h(3, 1, 12, 0);
    h.b[16] = 0x5A;   // reserved
    h.b[900] = 0xA5;  // beyond the records
    managearea_header parsed;
    recording_log log;
    ASSERT_TRUE(managearea_header_parse(log.sink, h.b, &parsed));
    parsed.version = 4;
    parsed.records[0] = {2, 0x00ABCDEF, 0x80};
    managearea_header_store(parsed, h.b);
    EXPECT_EQ(h.b[3], 4);
    EXPECT_EQ(h.b[16], 0x5A);
    EXPECT_EQ(h.b[900], 0xA5);
    const uint8_t record0[8] = {2, 0, 0, 0, 0xEF, 0xCD, 0xAB, 0x80};
    EXPECT_EQ(memcmp(h.b + 64, record0, 8), 0);
}

TEST(CardLayoutRecords, CapacityTableEdges) {
    struct {
        uint32_t available, max;
    } cases[] = {{0, 12},          {0x7FFFFF, 12}, {0x800000, 25},
                 {0xEFFFFF, 25},   {0xF00000, 50}, {0x1DFFFFF, 50},
                 {0x1E00000, 100}, {8000000, 12},  {0xFFFFFFFF, 100}};
    for (auto &c : cases) EXPECT_EQ(managearea_capacity(c.available), c.max) << c.available;
}

TEST(CardLayoutRecords, OrderPermutationCheck) {
    uint8_t order[100];
    for (int i = 0; i < 100; i++) order[i] = static_cast<uint8_t>(99 - i);
    EXPECT_TRUE(order_is_permutation(order));
    order[5] = order[6];  // a repeat
    EXPECT_FALSE(order_is_permutation(order));
    order[5] = 100;  // out of range
    EXPECT_FALSE(order_is_permutation(order));
}

namespace {

// Straight from the definition: output byte k, bit 7 - c, is bit k of channel
// c, which is bit 7 - (k mod 8) of input byte 12c + k div 8.
void reference_interleave(const uint8_t in[96], uint8_t out[96]) {
    memset(out, 0, 96);
    for (int k = 0; k < 96; k++)
        for (int c = 0; c < 8; c++)
            if (in[12 * c + k / 8] >> (7 - k % 8) & 1) out[k] |= static_cast<uint8_t>(1 << (7 - c));
}

}  // namespace

TEST(CardLayoutRecords, SubchannelLayoutsMatchTheDefinitionAndInvert) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; round++) {
        uint8_t per_channel[96], expected[96], block[96];
        for (auto &b : per_channel) b = static_cast<uint8_t>(random());
        reference_interleave(per_channel, expected);
        memcpy(block, per_channel, 96);
        subchannel_to_interleaved(block);
        ASSERT_EQ(memcmp(block, expected, 96), 0) << round;
        subchannel_to_per_channel(block);
        ASSERT_EQ(memcmp(block, per_channel, 96), 0) << round;
    }
    // Only the Q channel's first bit: byte 0 of the interleaved form, bit 6.
    uint8_t q[96] = {};
    q[12] = 0x80;
    subchannel_to_interleaved(q);
    EXPECT_EQ(q[0], 0x40);
}
