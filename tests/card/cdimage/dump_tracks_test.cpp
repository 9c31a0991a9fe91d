// The dump groups' track files read from every layout of one generated disc:
// the same files, byte for byte, as the generator wrote for the dump layout.
#include "card/cdimage/dump_tracks.h"
#include "card/cdimage/track_digest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/card/cdimage/dump_disc.h"
#include "tests/card/cdimage/tool_digest.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

struct layout_case {
    const char *context;
    std::string (*write)(const std::string &folder, const dump_disc &d);
};

template <dump_disc_layout L>
std::string sheet(const std::string &folder, const dump_disc &d) {
    return write_dump_disc(folder, d, L);
}

std::string image_set(const std::string &folder, const dump_disc &d) {
    return write_dump_disc_set(folder, d);
}

#ifndef _WIN32
std::string compressed(const std::string &folder, const dump_disc &d) {
    const std::string cue = write_dump_disc(folder, d, LAYOUT_FILE_PER_TRACK);
    const std::string chd = folder + "/disc.chd";
    if (std::system(("chdman createcd -i '" + cue + "' -o '" + chd + "' >/dev/null 2>&1").c_str()) != 0)
        ADD_FAILURE() << "chdman createcd failed";
    return chd;
}
#endif

const layout_case LAYOUTS[] = {
    {"a file per track", sheet<LAYOUT_FILE_PER_TRACK>},
    {"one file for the disc", sheet<LAYOUT_ONE_FILE>},
    {"pregaps at the end of the previous file", sheet<LAYOUT_APPENDED_GAPS>},
    {"big-endian audio files", sheet<LAYOUT_MOTOROLA_AUDIO>},
    {"image set with subchannel", image_set},
#ifndef _WIN32
    {"compressed image", compressed},
#endif
};

TEST(DumpTracks, EveryLayoutYieldsTheDumpFiles) {
    const dump_disc disc = dump_disc_mixed();
    for (const layout_case &c : LAYOUTS) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        recording_log log;
        image_input in{};
        ASSERT_EQ(image_input_read(log.sink, c.write(dir.dir, disc).c_str(), &in), 1) << log.text();
        std::vector<dump_track> tracks;
        ASSERT_TRUE(dump_tracks_list(log.sink, in.description, in.source, &tracks)) << log.text();
        ASSERT_EQ(tracks.size(), disc.tracks.size());
        for (size_t k = 0; k < tracks.size(); k++) {
            SCOPED_TRACE("track " + std::to_string(k + 1));
            EXPECT_EQ(tracks[k].number, k + 1);
            EXPECT_EQ(tracks[k].audio, disc.tracks[k].audio);
            const std::vector<uint8_t> expected = dump_disc_track_bytes(disc, k);
            std::vector<uint8_t> got;
            size_t largest = 0;
            ASSERT_TRUE(dump_track_stream(log.sink, in.source, tracks[k],
                                          [&](const uint8_t *data, size_t length) {
                                              got.insert(got.end(), data, data + length);
                                              largest = std::max(largest, length);
                                              return true;
                                          }))
                << log.text();
            EXPECT_EQ(tracks[k].bytes(), expected.size());
            EXPECT_TRUE(got == expected) << "the track's bytes differ";
            EXPECT_LE(largest, size_t{DUMP_CHUNK_SECTORS} * CD_SECTOR_SIZE);
        }
        image_input_free(&in);
    }
}

TEST(DumpTracks, ReadsAnyStretchOfATrackAndStopsWhenTheSinkSays) {
    const dump_disc disc = dump_disc_mixed();
    temp_dir dir;
    recording_log log;
    image_input in{};
    ASSERT_EQ(image_input_read(log.sink, write_dump_disc(dir.dir, disc, LAYOUT_ONE_FILE).c_str(), &in), 1);
    std::vector<dump_track> tracks;
    ASSERT_TRUE(dump_tracks_list(log.sink, in.description, in.source, &tracks));
    const size_t k = 1;  // an audio track spanning several chunks, pregap first
    const std::vector<uint8_t> expected = dump_disc_track_bytes(disc, k);
    const uint32_t at = 149, count = 3;  // the pregap's last sector and the first two after
    std::vector<uint8_t> got(count * CD_SECTOR_SIZE);
    ASSERT_TRUE(dump_track_read(log.sink, in.source, tracks[k], at, count, got.data()));
    EXPECT_EQ(memcmp(got.data(), expected.data() + at * CD_SECTOR_SIZE, got.size()), 0);
    int calls = 0;
    EXPECT_FALSE(dump_track_stream(log.sink, in.source, tracks[k],
                                   [&](const uint8_t *, size_t) { return ++calls < 1; }));
    EXPECT_EQ(calls, 1);
    image_input_free(&in);
}

std::string hex(const uint8_t *bytes, size_t n) {
    std::string text;
    char two[3];
    for (size_t i = 0; i < n; i++) {
        snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

#ifndef _WIN32
// Hashed from a one-file sheet, each track equals its dump file as the
// system's tools hash it.
TEST(DumpTracks, DigestsEqualTheToolsOverTheDumpFiles) {
    const dump_disc disc = dump_disc_mixed();
    temp_dir dumps, sheet;
    write_dump_disc(dumps.dir, disc, LAYOUT_FILE_PER_TRACK);
    recording_log log;
    image_input in{};
    ASSERT_EQ(image_input_read(log.sink, write_dump_disc(sheet.dir, disc, LAYOUT_ONE_FILE).c_str(), &in), 1);
    std::vector<dump_track> tracks;
    ASSERT_TRUE(dump_tracks_list(log.sink, in.description, in.source, &tracks));
    for (size_t k = 0; k < tracks.size(); k++) {
        SCOPED_TRACE("track " + std::to_string(k + 1));
        const tool_digest expected = tool_digest_of(dumps.path(dump_disc_track_name(k)));
        ASSERT_EQ(expected.sha1.size(), 40u);
        track_digest got{};
        ASSERT_TRUE(dump_track_digest(log.sink, in.source, tracks[k], &got)) << log.text();
        EXPECT_EQ(hex(got.sha1, 20), expected.sha1);
        char crc[9];
        snprintf(crc, sizeof crc, "%08x", got.crc);
        EXPECT_EQ(crc, expected.crc);
        EXPECT_EQ(got.size, expected.size);
    }
    image_input_free(&in);
}
#endif

TEST(DumpTracks, ATocWithoutTracksIsRefused) {
    disc_description d{};
    d.tocentries = 1;
    d.entries[0].point = TOC_POINT_A2;
    struct empty_source : cd_source {
        bool read(log_sink *, uint32_t, uint32_t, const cd_sector_target &) override { return true; }
    } source;
    source.name = "empty.cue";
    source.sector_count = 10;
    recording_log log;
    std::vector<dump_track> tracks;
    EXPECT_FALSE(dump_tracks_list(log.sink, &d, &source, &tracks));
    EXPECT_NE(log.text().find("empty.cue: the table of contents lists no track"), std::string::npos)
        << log.text();
}

}  // namespace
