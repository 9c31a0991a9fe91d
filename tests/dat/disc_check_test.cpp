// Discs' track sums against the CD entries of a DAT that also lists HuCard
// ROMs: each track's result, the disc's, and the lines the command prints.
#include "dat/disc_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

disc_track_sum track(uint8_t number, bool audio, uint64_t size, uint32_t crc, uint8_t sha1_fill) {
    disc_track_sum t{number, audio, size, crc, {}};
    for (uint8_t &b : t.sha1) b = sha1_fill;
    return t;
}

// The game "Disc" as the dump groups list it, plus a HuCard and a second
// disc sharing track 2's audio.
const std::vector<disc_track_sum> DISC = {track(1, false, 705600, 0x11111111, 0xA1),
                                          track(2, true, 1234800, 0x22222222, 0xA2),
                                          track(3, true, 352800, 0x33333333, 0xA3),
                                          track(4, false, 2352000, 0x44444444, 0xA4)};

std::string rom_line(const std::string &name, const disc_track_sum &t) {
    char text[256];
    std::string sha1;
    for (uint8_t b : t.sha1) {
        char two[3];
        snprintf(two, sizeof two, "%02x", b);
        sha1 += two;
    }
    snprintf(text, sizeof text, "<rom name=\"%s\" size=\"%llu\" crc=\"%08x\" sha1=\"%s\"/>\n",
             name.c_str(), static_cast<unsigned long long>(t.size), t.crc, sha1.c_str());
    return text;
}

dat_catalog catalog() {
    std::string xml = "<?xml version=\"1.0\"?>\n<datafile>\n<game name=\"Other Disc\">\n"
                      "<rom name=\"Other Disc.cue\" size=\"100\" crc=\"22222222\"/>\n" +
                      rom_line("Other Disc (Track 1).bin", track(1, false, 705600, 0x99, 0)) +
                      rom_line("Other Disc (Track 2).bin", DISC[1]) +
                      "</game>\n<game name=\"Disc\">\n<rom name=\"Disc.cue\" size=\"300\" crc=\"abcdef01\"/>\n";
    for (size_t k = 0; k < DISC.size(); k++)
        xml += rom_line("Disc (Track " + std::to_string(k + 1) + ").bin", DISC[k]);
    xml += "</game>\n<game name=\"Card\"><rom name=\"Card.pce\" size=\"262144\" crc=\"0badf00d\"/></game>\n"
           "</datafile>\n";
    dat_catalog c;
    std::string why;
    EXPECT_TRUE(dat_catalog_parse(xml.data(), xml.size(), &c, &why)) << why;
    return c;
}

TEST(DiscCheck, TracksAndDiscJudgedAgainstTheGameMostTracksMatch) {
    const dat_catalog c = catalog();
    ASSERT_EQ(c.track_entries, 6u);
    auto changed = [](std::vector<disc_track_sum> d, size_t k, uint32_t crc) {
        d[k].crc = crc;
        return d;
    };
    std::vector<disc_track_sum> other_sha1 = DISC;
    other_sha1[2].sha1[7] ^= 1;
    std::vector<disc_track_sum> missing(DISC.begin(), DISC.end() - 1);
    const std::vector<disc_track_sum> unknown = {track(1, false, 4704, 0x5, 0)};
    struct {
        const char *context;
        std::vector<disc_track_sum> disc;
        disc_verdict verdict;
        std::vector<track_verdict> tracks;
        const char *game;
        size_t missing;
        bool audio_offset;
        const char *disc_line;
    } cases[] = {
        {"every track equal", DISC, DISC_VERIFIED, {TRACK_MATCH, TRACK_MATCH, TRACK_MATCH, TRACK_MATCH},
         "Disc", 0, false, "disc: verified"},
        {"one audio track changed", changed(DISC, 2, 0x12345678), DISC_PARTLY,
         {TRACK_MATCH, TRACK_MATCH, TRACK_MISMATCH, TRACK_MATCH}, "Disc", 1, false,
         "disc: partly (tracks 01, 02, 04 match; 03 differ; 1 DAT track missing)"},
        {"same CRC, another SHA-1", other_sha1, DISC_PARTLY,
         {TRACK_MATCH, TRACK_MATCH, TRACK_MISMATCH, TRACK_MATCH}, "Disc", 1, false,
         "disc: partly (tracks 01, 02, 04 match; 03 differ; 1 DAT track missing)"},
        {"last track missing", missing, DISC_PARTLY, {TRACK_MATCH, TRACK_MATCH, TRACK_MATCH}, "Disc",
         1, false, "disc: partly (tracks 01, 02, 03 match; 1 DAT track missing)"},
        {"every audio track shifted", changed(changed(DISC, 1, 0x1), 2, 0x2), DISC_PARTLY,
         {TRACK_MATCH, TRACK_MISMATCH, TRACK_MISMATCH, TRACK_MATCH}, "Disc", 2, true,
         "disc: partly (tracks 01, 04 match; 02, 03 differ; 2 DAT tracks missing); the data tracks "
         "match and every audio track differs: the audio was probably ripped with another drive "
         "offset"},
        {"no track known", unknown, DISC_UNKNOWN, {TRACK_NO_ENTRY}, nullptr, 0, false, "disc: unknown"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.context);
        const disc_result r = dat_check_disc(c, k.disc);
        EXPECT_EQ(r.verdict, k.verdict);
        ASSERT_EQ(r.tracks.size(), k.tracks.size());
        for (size_t i = 0; i < k.tracks.size(); i++) EXPECT_EQ(r.tracks[i].verdict, k.tracks[i]) << i;
        EXPECT_EQ(r.game != nullptr ? r.game->title : "", k.game != nullptr ? k.game : "");
        EXPECT_EQ(r.missing.size(), k.missing);
        EXPECT_EQ(r.audio_offset, k.audio_offset);
        EXPECT_EQ(disc_result_text(k.disc, r), k.disc_line);
    }
}

TEST(DiscCheck, TrackLinesSayWhatTheDatHasInstead) {
    const dat_catalog c = catalog();
    std::vector<disc_track_sum> d = DISC;
    d[1].crc = 0xCAFEBABE;
    d.push_back(track(5, true, 2352, 0x77, 0));
    const disc_result r = dat_check_disc(c, d);
    EXPECT_EQ(track_result_text(d[0], r.tracks[0]), "track 01: match");
    EXPECT_EQ(track_result_text(d[1], r.tracks[1]),
              "track 02: mismatch: CRC32:CAFEBABE, 1234800 bytes; the DAT has CRC32:22222222, "
              "1234800 bytes (Disc (Track 2).bin)");
    EXPECT_EQ(track_result_text(d[4], r.tracks[4]), "track 05: no entry (CRC32:00000077, 2352 bytes)");
}

TEST(DiscCheck, OneDatServesDiscsAndHuCards) {
    const dat_catalog c = catalog();
    // The sheets' entries are text, never compared with a track.
    EXPECT_TRUE(dat_lookup(c, 100, 0x22222222).empty());
    const std::vector<const dat_rom *> card = dat_lookup(c, 262144, 0x0BADF00D);
    ASSERT_EQ(card.size(), 1u);
    EXPECT_EQ(card[0]->title, "Card");
    EXPECT_FALSE(dat_name_is_track(card[0]->name));
    // Track 2 of both discs: both entries, in DAT order.
    const std::vector<const dat_rom *> shared = dat_lookup(c, DISC[1].size, DISC[1].crc);
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared[0]->title, "Other Disc");
    EXPECT_EQ(shared[1]->title, "Disc");
    EXPECT_TRUE(shared[1]->has_sha1);
}

TEST(DiscCheck, DatsOfAnotherKindAreRefused) {
    struct {
        const char *context, *xml, *why;
    } cases[] = {
        {"another XML file", "<svg><game name=\"x\"><rom name=\"a.bin\" size=\"1\" crc=\"1\"/></game></svg>",
         "not a DAT file: its root element is <svg>, not <datafile>"},
        {"games without files", "<datafile><game name=\"x\"/></datafile>",
         "no ROM entries with size and CRC found"},
        {"a sheet only", "<datafile><game name=\"x\"><rom name=\"x.cue\" size=\"1\" crc=\"1\"/></game></datafile>",
         "no ROM entries with size and CRC found"},
    };
    for (const auto &k : cases) {
        dat_catalog c;
        std::string why;
        EXPECT_FALSE(dat_catalog_parse(k.xml, strlen(k.xml), &c, &why)) << k.context;
        EXPECT_EQ(why, k.why) << k.context;
    }
}

}  // namespace
