// Shortening an index disc: TOC and lead-out sector.
#include "card/write/index_truncate.h"

#include <gtest/gtest.h>

#include "card/cdimage/bcd.h"
#include "card/store/disk_handle.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "tests/card/write/adding_fixture.h"

namespace {

constexpr uint32_t INDEX_AREA = 4097 + 2;

TEST(index_truncate, keeps_the_first_tracks_and_moves_the_leadout) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    temp_dir dir;
    recording_log log;
    for (unsigned i = 0; i < 4; i++) {
        std::string rom = dir.path("r" + std::to_string(i));
        write_file(rom, make_rom(8192 * (i + 1), i));
        ASSERT_EQ(run_card(log, card.drive(), "add", {rom}), 0);
    }
    std::vector<uint8_t> toc = read_bytes(card, INDEX_AREA, 0, 1536);
    const uint8_t *track3 = &toc[96 + 5 * 12];
    ASSERT_EQ(track3[2], 0x03);
    uint32_t track3_start = msf_to_frames(&track3[7]);

    disk_handle *disk = disk_open(log.sink, card.drive().c_str(), 0);
    ASSERT_NE(disk, nullptr);
    disk_set_relativepoint(disk, INDEX_AREA);
    EXPECT_FALSE(index_truncate(disk, 1, 3)) << "the index disc keeps one track at least";
    EXPECT_FALSE(index_truncate(disk, 9, 3)) << "no track 9";
    EXPECT_EQ(read_bytes(card, INDEX_AREA, 0, 1536), toc) << "refusals write nothing";
    EXPECT_TRUE(index_truncate(disk, 3, 3));
    disk_close(disk);

    toc = read_bytes(card, INDEX_AREA, 0, 1536);
    EXPECT_EQ(toc[96 + 12 + 7], 0x02) << "A1: last track 2";
    EXPECT_EQ(msf_to_frames(&toc[96 + 24 + 7]), track3_start) << "A2 where track 3 began";
    for (int f = 0; f < 6; f++) EXPECT_TRUE(q_crc_ok(&toc[96 + 12 * f])) << "frame " << f;
    std::vector<uint8_t> leadout = read_bytes(card, INDEX_AREA, uint64_t{track3_start} * 2448, 96);
    EXPECT_EQ(leadout[12], toc[96 + 24]);
    EXPECT_EQ(leadout[13], 0xAA);
    EXPECT_EQ(leadout[14], 0x00);
    EXPECT_EQ(msf_to_frames(&leadout[12 + 7]), track3_start);
    EXPECT_TRUE(q_crc_ok(&leadout[12]));
}

}  // namespace
