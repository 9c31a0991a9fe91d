#include "card/cdimage/image_hash.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string clonecd = "[CloneCD]\nVersion=3\n";

// Lead-in points, then the tracks; PLBA p is written as P = p + 150.
std::vector<entry_spec> toc(std::vector<std::pair<long, long>> tracks /* point, control */,
                            std::vector<uint32_t> starts) {
    std::vector<entry_spec> e = {
        {0xA0, 4, 1, 0, 0}, {0xA1, 0, long(tracks.size()), 0, 0}, {0xA2, 0, 20, 0, 0}};
    for (size_t i = 0; i < tracks.size(); i++) {
        uint32_t p = starts[i] + 150;
        e.push_back(
            {tracks[i].first, tracks[i].second, long(p / 4500), long(p / 75 % 60), long(p % 75)});
    }
    return e;
}

std::string crc_of(const std::vector<sector_spec> &s, size_t first, size_t count) {
    uLong crc = crc32(0, Z_NULL, 0);
    for (size_t i = first; i < first + count; i++) {
        std::vector<uint8_t> main(2352, s[i].fill);
        crc = crc32(crc, main.data(), 2352);
    }
    char text[16];
    snprintf(text, sizeof text, "%08lx", crc);
    return text;
}

class HashListing : public testing::Test {
protected:
    std::string list(const std::vector<sector_spec> &sectors,
                     const std::vector<entry_spec> &entries, int expected_result = 1) {
        write_image(prefix, sectors);
        write_text(prefix + ".ccd", description_text(clonecd, entries));
        recording_log r;
        const char *argv[] = {prefix.c_str()};
        EXPECT_EQ(hash_listing(r.sink, 1, argv), expected_result);
        return r.text();
    }
    temp_dir dir;
    std::string prefix = dir.path("disc");
};

TEST_F(HashListing, DataRunEndsAtTheFirstAudioSector) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 20, 0x11);
    add_track(&s, 0x00, 2, 170, 5, 0x80);  // track 2's pregap
    add_track(&s, 0x00, 2, 175, 10, 0x90);
    std::string out = list(s, toc({{1, 4}, {2, 0}}, {0, 25}));
    EXPECT_EQ(out, "01 00:02:00 " + crc_of(s, 0, 20) + "     20d\n");
}

TEST_F(HashListing, StatusesOfConsecutiveDataTracks) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 30, 0x11);
    add_track(&s, 0x40, 2, 180, 40, 0x40);  // TOC puts track 2 ten sectors late
    add_track(&s, 0x40, 3, 220, 12, 0x70);
    add_track(&s, 0x40, 4, 232, 8, 0xA0);
    std::string out = list(s, toc({{1, 4}, {2, 4}, {3, 4}, {4, 4}}, {0, 40, 70, 82}));
    EXPECT_EQ(out, "01 00:02:00 " + crc_of(s, 0, 30) + "     30t\n" +       // Q track changes
                       "02 00:02:40 " + crc_of(s, 40, 30) + "     30n\n" +  // next entry
                       "03 00:02:70 " + crc_of(s, 70, 12) + "     12n\n" + "04 00:03:07 " +
                       crc_of(s, 82, 8) + "      8e\n");  // end of image
}

// A stop asked while the first track is listed ends the listing before the
// next one, with "stopped" and a failure status.
TEST_F(HashListing, StopAskedDuringATrackEndsTheListingBeforeTheNext) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 30, 0x11);
    add_track(&s, 0x40, 2, 180, 40, 0x40);
    add_track(&s, 0x40, 3, 220, 20, 0x70);
    write_image(prefix, s);
    write_text(prefix + ".ccd", description_text(clonecd, toc({{1, 4}, {2, 4}, {3, 4}}, {0, 40, 70})));
    struct stopping_log {
        std::string text;
        stop_request stop;
    } out;
    log_sink *sink = log_create(&out, [](void *user, const char *text) {
        auto *o = static_cast<stopping_log *>(user);
        o->text += text;
        if (o->text.find('\n') != std::string::npos) stop_ask(&o->stop);
    });
    log_attach_stop(sink, &out.stop);
    const char *argv[] = {prefix.c_str()};
    EXPECT_EQ(hash_listing(sink, 1, argv), 0);
    log_destroy(sink);
    EXPECT_EQ(out.text, "01 00:02:00 " + crc_of(s, 0, 30) + "     30t\nstopped\n");
}

TEST_F(HashListing, EmptyRunsHashNoData) {
    std::vector<sector_spec> s;
    add_track(&s, 0x00, 1, 150, 10, 0x11);
    add_track(&s, 0x40, 2, 160, 10, 0x22);
    // Track 1 claims data but its Q says audio; tracks 2 and 3 share a start.
    std::string out = list(s, toc({{1, 4}, {2, 4}, {3, 4}}, {0, 10, 10}));
    EXPECT_EQ(out,
              "01 00:02:00 00000000      0d\n"
              "02 00:02:10 00000000      0n\n"
              "03 00:02:10 " +
                  crc_of(s, 10, 10) + "     10e\n");
}

TEST_F(HashListing, AudioOnlyTocPrintsNothing) {
    std::vector<sector_spec> s;
    add_track(&s, 0x00, 1, 150, 10, 0x11);
    add_track(&s, 0x00, 2, 160, 10, 0x22);
    EXPECT_EQ(list(s, toc({{1, 0}, {2, 0}}, {0, 10})), "");
}

TEST_F(HashListing, TrackReachingPastTheImageIsHashedAsFarAsItGoes) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 20, 0x11);
    std::string out = list(s, toc({{1, 4}, {2, 0}}, {0, 30}));
    EXPECT_EQ(out, "01 00:02:00 " + crc_of(s, 0, 20) +
                       "     20n\n"
                       "warning: track 01: the image holds only 20 of its 30 sectors\n");
}

TEST_F(HashListing, UnreadableInputFails) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 4, 0x11);
    const std::string good_ccd = description_text(clonecd, toc({{1, 4}}, {0}));
    struct {
        const char *context;
        std::string img_extra, sub_extra, ccd;
        bool remove_img;
        std::string message;
    } cases[] = {
        {"no .img", "", "", good_ccd, true, prefix + ".img: not found\n"},
        {"odd .img size", "x", "", good_ccd, false, prefix + ".img: file size error\n"},
        {"counts differ", "", std::string(96, 0), good_ccd, false,
         "img and sub file size mismatch\n"},
        {"no description", "", "", "", false, prefix + ".ccd has errors\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.context);
        write_image(prefix, s);
        FILE *f = fopen((prefix + ".img").c_str(), "ab");
        fwrite(c.img_extra.data(), 1, c.img_extra.size(), f);
        fclose(f);
        f = fopen((prefix + ".sub").c_str(), "ab");
        fwrite(c.sub_extra.data(), 1, c.sub_extra.size(), f);
        fclose(f);
        if (c.remove_img) remove((prefix + ".img").c_str());
        remove((prefix + ".ccd").c_str());
        if (!c.ccd.empty()) write_text(prefix + ".ccd", c.ccd);
        recording_log r;
        const char *argv[] = {prefix.c_str()};
        testing::internal::CaptureStdout();
        EXPECT_EQ(hash_listing(r.sink, 1, argv), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_NE(r.text().find(c.message), std::string::npos) << r.text();
    }
}

TEST_F(HashListing, RomImageHasNoTracksToList) {
    write_text(prefix, std::string(8192, 'R'));
    recording_log r;
    const char *argv[] = {prefix.c_str()};
    EXPECT_EQ(hash_listing(r.sink, 1, argv), 1);
    EXPECT_EQ(r.text(), "");
}

// Sectors kept as on the card: 96 subchannel bytes, then 2352 main bytes.
struct stored_disc {
    std::vector<uint8_t> bytes;
    uint32_t count;
};

uint32_t read_stored_subchannel(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    auto *d = static_cast<stored_disc *>(user);
    uint32_t n = first < d->count ? std::min(count, d->count - first) : 0;
    memcpy(out, &d->bytes[size_t{first} * 2448], size_t{n} * 2448);
    return n;
}

uint32_t read_stored_main(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    auto *d = static_cast<stored_disc *>(user);
    uint32_t n = first < d->count ? std::min(count, d->count - first) : 0;
    for (uint32_t i = 0; i < n; i++)
        memcpy(out + size_t{i} * 2352, &d->bytes[size_t{first + i} * 2448 + 96], 2352);
    return n;
}

TEST(HashSource, StoredSectorsGiveTheSameLines) {
    std::vector<sector_spec> s;
    add_track(&s, 0x40, 1, 150, 12, 0x11);
    add_track(&s, 0x00, 2, 162, 6, 0x80);
    stored_disc disc{std::vector<uint8_t>(s.size() * 2448, 0), uint32_t(s.size())};
    for (size_t i = 0; i < s.size(); i++) {
        std::copy(s[i].q.begin(), s[i].q.end(), disc.bytes.begin() + i * 2448 + 12);
        memset(&disc.bytes[i * 2448 + 96], s[i].fill, 2352);
    }
    disc_description d{};
    d.tocentries = 2;
    d.entries[0] = toc_entry{1, 0x01, 1, 4, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0, 0};
    d.entries[1] = toc_entry{1, 0x02, 1, 0, 0, 0, 0, 0, 0x00, 0x02, 0x14, 0, 14};
    hash_sector_source src{&disc,   disc.count, 2448, read_stored_subchannel, read_stored_main,
                           nullptr, nullptr};
    recording_log r;
    hash_data_tracks(r.sink, &d, &src);
    EXPECT_EQ(r.text(), "01 00:02:00 " + crc_of(s, 0, 12) + "     12d\n");
}

}  // namespace
