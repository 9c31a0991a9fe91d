#include "card/cdimage/subchannel_q.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/cd_source.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<uint8_t> msf(uint8_t m, uint8_t s, uint8_t f) { return {m, s, f}; }

TEST(Bcd, Conversions) {
    EXPECT_EQ(bcd_from_bin(0), 0x00);
    EXPECT_EQ(bcd_from_bin(99), 0x99);
    EXPECT_EQ(bcd_from_bin(47), 0x47);
    uint8_t triple[3] = {12, 59, 74};
    EXPECT_TRUE(msf_to_bcd(triple));
    EXPECT_EQ(msf(triple[0], triple[1], triple[2]), msf(0x12, 0x59, 0x74));
    uint8_t bad[3] = {12, 60, 0};
    EXPECT_FALSE(msf_to_bcd(bad));
    EXPECT_EQ(bad[1], 60) << "unchanged on failure";
    uint8_t out[3];
    ASSERT_TRUE(frames_to_msf(449999, out));
    EXPECT_EQ(msf(out[0], out[1], out[2]), msf(0x99, 0x59, 0x74));
    EXPECT_EQ(msf_to_frames(out), 449999u);
    EXPECT_FALSE(frames_to_msf(450000, out));
}

TEST(MsfIncrement, CarriesThroughBcdDigitsAndStopsAtTheEnd) {
    struct {
        std::vector<uint8_t> from, to;
    } cases[] = {
        {msf(0x00, 0x00, 0x09), msf(0x00, 0x00, 0x10)},
        {msf(0x00, 0x00, 0x73), msf(0x00, 0x00, 0x74)},
        {msf(0x00, 0x59, 0x74), msf(0x01, 0x00, 0x00)},
        {msf(0x09, 0x59, 0x74), msf(0x10, 0x00, 0x00)},
        {msf(0x10, 0x19, 0x74), msf(0x10, 0x20, 0x00)},
        {msf(0x99, 0x59, 0x74), msf(0x99, 0x59, 0x74)},
        {msf(0x00, 0x00, 0xFA), msf(0x00, 0x01, 0x00)},  // not BCD: wraps, no overflow
    };
    for (auto &c : cases) {
        std::vector<uint8_t> t = c.from;
        msf_increment(t.data());
        EXPECT_EQ(t, c.to) << std::hex << int(c.from[0]) << ":" << int(c.from[1]) << ":"
                           << int(c.from[2]);
    }
}

// Absolute frame counts of the "10:00:00" kind.
uint32_t at(int m, int s, int f) { return m * 4500 + s * 75 + f; }

std::string warnings_for(const std::vector<uint32_t> &absolute, bool strict) {
    recording_log r;
    q_check_state state;
    q_check_init(&state, r.sink);
    for (uint32_t a : absolute) {
        std::vector<uint8_t> q = q_position(0x40, 1, 1, a, a);
        q_check(&state, q.data(), strict);
    }
    return r.text();
}

TEST(QCheck, WarnsAboutAbsoluteTimeJumps) {
    const std::vector<uint32_t> jump = {at(10, 0, 0), at(10, 0, 1), at(10, 0, 5)};
    EXPECT_EQ(warnings_for(jump, true),
              "warning:subchannel Q A-MSF is not matched 10:00:01 -> 10:00:05\n");
    EXPECT_EQ(warnings_for(jump, false), "");
    EXPECT_EQ(warnings_for({at(10, 0, 0), at(10, 1, 0)}, false),
              "warning:subchannel Q A-MSF is not matched 10:00:00 -> 10:01:00\n");
    EXPECT_EQ(warnings_for({at(10, 0, 0), at(9, 59, 74), at(10, 0, 1)}, true), "")
        << "steps of up to two frames either way pass";
    EXPECT_EQ(warnings_for({at(30, 0, 0), at(0, 2, 0)}, true), "") << "00:02:00 never warns";
}

TEST(QCheck, OnlyPositionFramesAreCompared) {
    recording_log r;
    q_check_state state;
    q_check_init(&state, r.sink);
    std::vector<uint8_t> first = q_position(0x40, 1, 1, 0, at(10, 0, 0));
    std::vector<uint8_t> catalogue = q_position(0x40, 1, 1, 0, at(20, 0, 0));
    catalogue[0] = 0x42;  // ADR 2
    q_crc_store(catalogue.data());
    std::vector<uint8_t> after = q_position(0x40, 1, 1, 0, at(30, 0, 0));
    q_check(&state, first.data(), true);
    q_check(&state, catalogue.data(), true);
    q_check(&state, after.data(), true);
    EXPECT_EQ(r.text(), "");
}

TEST(QCheck, DamagedFrameBecomesTheSuccessorOfTheLastGoodOne) {
    q_check_state state;
    q_check_init(&state, nullptr);
    std::vector<uint8_t> good = q_position(0x40, 2, 1, at(0, 3, 10), at(0, 5, 10));
    q_check(&state, good.data(), true);
    std::vector<uint8_t> bad = q_position(0x40, 7, 1, 0, at(44, 0, 0));
    bad[11] ^= 0xFF;
    q_check(&state, bad.data(), true);
    EXPECT_EQ(bad, q_position(0x40, 2, 1, at(0, 3, 11), at(0, 5, 11)));
    std::vector<uint8_t> bad_again(Q_FRAME_SIZE, 0xEE);
    q_check(&state, bad_again.data(), true);
    EXPECT_EQ(bad_again, q_position(0x40, 2, 1, at(0, 3, 12), at(0, 5, 12)));
}

TEST(SubqGenerate, TwoSecondsOfPThenPositionsCountingUp) {
    std::vector<uint8_t> blocks(375 * 96, 0xCC);
    ASSERT_TRUE(subq_generate(0x01, 12, at(1, 0, 0), blocks.data(), 375));
    for (int i = 0; i < 375; i++) {
        const uint8_t *b = &blocks[i * 96];
        SCOPED_TRACE(i);
        EXPECT_EQ(b[0], i < 150 ? 0xFF : 0x00);
        EXPECT_EQ(b[11], i < 150 ? 0xFF : 0x00);
        std::vector<uint8_t> q(b + 12, b + 24);
        EXPECT_EQ(q, q_position(0x00, 12, 1, i, at(1, 0, 0) + i));
        EXPECT_EQ(std::vector<uint8_t>(b + 24, b + 96), std::vector<uint8_t>(72, 0));
    }
}

TEST(SubqGenerate, RefusesPositionsBeyondTheDisc) {
    std::vector<uint8_t> block(96, 0xCC);
    EXPECT_FALSE(subq_generate(0x41, 1, 450000, block.data(), 1));
    EXPECT_FALSE(subq_generate(0x41, 100, 150, block.data(), 1));
    EXPECT_EQ(block, std::vector<uint8_t>(96, 0xCC));
    EXPECT_TRUE(subq_generate(0x41, 99, 449999, block.data(), 1));
}

TEST(SameTrackCount, StopsWhereTrackOrIndexChanges) {
    temp_dir dir;
    recording_log log;
    struct {
        const char *context;
        std::vector<sector_spec> sectors;
        uint32_t start;
        uint32_t expected;
    } cases[3];
    add_track(&cases[0].sectors, 0x00, 2, 1000, 200, 0);
    add_track(&cases[0].sectors, 0x00, 3, 1200, 300, 0);
    cases[0].context = "track changes after 200 blocks";
    cases[0].start = 0;
    cases[0].expected = 200;
    add_track(&cases[1].sectors, 0x00, 2, 1000, 500, 0);
    cases[1].sectors[100].q[11] ^= 1;   // repaired, not a track change
    cases[1].sectors[120].q[2] = 0x02;  // index 2
    q_crc_store(cases[1].sectors[120].q.data());
    cases[1].context = "index changes";
    cases[1].start = 10;
    cases[1].expected = 110;
    add_track(&cases[2].sectors, 0x00, 2, 1000, 500, 0);
    cases[2].context = "whole preview, started mid-file";
    cases[2].start = 100;
    cases[2].expected = 375;
    for (auto &c : cases) {
        SCOPED_TRACE(c.context);
        write_image(dir.path("x"), c.sectors);
        std::unique_ptr<cd_source> image(cd_source_open_set(
            log.sink, dir.path("x").c_str(), static_cast<uint32_t>(c.sectors.size())));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(same_track_count(log.sink, image.get(), c.start), c.expected);
        EXPECT_EQ(same_track_count(log.sink, image.get(), 600), 0u) << "start past the end";
    }
    EXPECT_EQ(cd_source_open_set(log.sink, dir.path("missing").c_str(), 1), nullptr);
}

std::vector<uint8_t> sub_blocks(const std::vector<sector_spec> &sectors, uint32_t stride) {
    std::vector<uint8_t> blocks(sectors.size() * stride, 0);
    for (size_t i = 0; i < sectors.size(); i++)
        std::copy(sectors[i].q.begin(), sectors[i].q.end(), blocks.begin() + i * stride + 12);
    return blocks;
}

TEST(DataRunCount, EndsAtAudioOrAnotherTrackAndCountsAcrossCalls) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 10, 0);
    s[3].q[11] ^= 1;   // bad CRC: counted
    s[4].q[0] = 0x42;  // data, ADR 2: counted
    q_crc_store(s[4].q.data());
    std::vector<sector_spec> to_audio = s, to_track = s;
    add_track(&to_audio, 0x00, 2, 160, 5, 0);
    add_track(&to_track, 0x40, 2, 160, 5, 0);
    struct {
        const char *context;
        std::vector<sector_spec> sectors;
        uint32_t stride;
        char status;
    } cases[] = {{"audio follows, .sub stride", to_audio, 96, 'd'},
                 {"next data track, stored-sector stride", to_track, 2448, 't'},
                 {"run reaches the end", s, 96, 'n'}};
    for (auto &c : cases) {
        SCOPED_TRACE(c.context);
        std::vector<uint8_t> blocks = sub_blocks(c.sectors, c.stride);
        run_counter counter;
        run_counter_init(&counter, c.stride);
        char status = 'n';
        uint32_t n = static_cast<uint32_t>(c.sectors.size());
        uint32_t first = data_run_count(&counter, blocks.data(), 6, &status);
        uint32_t second = data_run_count(&counter, blocks.data() + 6 * c.stride, n - 6, &status);
        EXPECT_EQ(first, 6u);
        EXPECT_EQ(second, 4u);
        EXPECT_EQ(counter.counted, 10u);
        EXPECT_EQ(status, c.status);
    }
}

}  // namespace
