#include "card/cdimage/cd_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string clonecd3 = "[CloneCD]\nVersion=3\n";

// A0, A1, A2 (lead-out at 32:10:05), a data track 1 and an audio track 10.
std::vector<entry_spec> sample_toc() {
    return {{0xA0, 4, 1, 0, 0},
            {0xA1, 0, 10, 0, 0},
            {0xA2, 0, 32, 10, 5},
            {1, 4, 0, 2, 0},
            {10, 0, 3, 0, 0, 0, 4, 0}};
}

struct read_result {
    disc_description *d;
    std::string out;  // what went to stdout
    std::string log;
};

class Description : public testing::Test {
protected:
    ~Description() override {
        for (disc_description *d : made) description_free(d);
    }
    read_result read(const std::string &text, const char *name = "disc.ccd") {
        std::string file = dir.path(name);
        write_text(file, text);
        recording_log r;
        testing::internal::CaptureStdout();
        disc_description *d = description_read(r.sink, file.c_str(), true);
        std::string out = testing::internal::GetCapturedStdout();
        made.push_back(d);
        return {d, out, r.text()};
    }
    temp_dir dir;
    std::vector<disc_description *> made;
};

TEST_F(Description, CloneCdVersion3IsReadAsVersion2WithBcdPositions) {
    read_result r = read(clonecd3 + description_text("", sample_toc()));
    ASSERT_NE(r.d, nullptr) << r.out << r.log;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(r.d->version, 2);
    EXPECT_EQ(r.d->sessions, 1);
    ASSERT_EQ(r.d->tocentries, 5);
    const toc_entry &a2 = r.d->entries[2];
    EXPECT_EQ(a2.point, 0xA2);
    EXPECT_EQ(a2.plba, 32u * 4500 + 10 * 75 + 5 - 150);
    EXPECT_EQ(a2.pmin, 0x32);
    EXPECT_EQ(a2.psec, 0x10);
    EXPECT_EQ(a2.pframe, 0x05);
    const toc_entry &t10 = r.d->entries[4];
    EXPECT_EQ(t10.point, 0x10);
    EXPECT_EQ(t10.asec, 0x04);
    EXPECT_EQ(t10.plba, 3u * 4500 - 150);
    EXPECT_EQ(r.d->entries[3].plba, 0u);
}

TEST_F(Description, CdmVersion2AndFullTocAreAccepted) {
    std::vector<entry_spec> full = {{0xA0, 4, 1, 0, 0}, {0xA1, 0, 99, 0, 0}, {0xA2, 0, 70, 0, 0}};
    for (long t = 1; t <= 99; t++) full.push_back({t, 0, 0, 2 + t % 58, 0});
    read_result r = read("[CDManipulator]\nVersion=2\n" + description_text("", full), "disc.cdm");
    ASSERT_NE(r.d, nullptr) << r.out << r.log;
    EXPECT_EQ(r.d->tocentries, 102);
    EXPECT_EQ(r.d->entries[101].point, 0x99);
}

TEST_F(Description, RefusalsNameTheFaultOnTheirChannel) {
    const std::string base = clonecd3 + description_text("", sample_toc());
    enum channel { OUT, LOG };
    struct refusal {
        const char *context;
        std::string text;
        channel where;
        const char *message;
    } cases[] = {
        {"CDM version 3 wins over a CloneCD version", "[CDManipulator]\nVersion=3\n" + base, OUT,
         "version error\n"},
        {"CloneCD version 4", with_key(base, "CloneCD", "Version", "4"), OUT, "version error\n"},
        {"no version at all", with_key(base, "CloneCD", "Version", nullptr), OUT,
         "version error\n"},
        {"two sessions", with_key(base, "Disc", "Sessions", "2"), OUT, "Session is not 1\n"},
        {"103 entries", with_key(base, "Disc", "TocEntries", "103"), OUT, "TocEntries is wrong\n"},
        {"no entries", with_key(base, "Disc", "TocEntries", "0"), OUT, "TocEntries is wrong\n"},
        {"session 2", with_key(base, "Entry 1", "Session", "2"), OUT, "session error\n"},
        {"session -1", with_key(base, "Entry 1", "Session", "-1"), OUT, "session error\n"},
        {"point 0xA3", with_key(base, "Entry 1", "Point", "0xa3"), OUT, "point error\n"},
        {"point 0x1A0 must not wrap to 0xA0", with_key(base, "Entry 1", "Point", "0x1a0"), OUT,
         "point error\n"},
        {"point 120 has no BCD form", with_key(base, "Entry 3", "Point", "120"), OUT,
         "point error: Entry 3 has point 120; expected 0 to 99 or 0xA0 to 0xA2\n"},
        {"ADR 16", with_key(base, "Entry 0", "ADR", "16"), OUT, "adr error\n"},
        {"control 16", with_key(base, "Entry 0", "Control", "0x10"), OUT, "control error\n"},
        {"track number set", with_key(base, "Entry 0", "TrackNo", "1"), OUT, "trackno error\n"},
        {"zero byte set", with_key(base, "Entry 0", "Zero", "1"), OUT, "zero error\n"},
        {"control not a number", with_key(base, "Entry 4", "Control", "four"), OUT,
         "Value is not a number: Entry 4.Control = \"four\"\n"},
        {"ASec 60", with_key(base, "Entry 3", "ASec", "60"), LOG, "msf abs error\n"},
        {"AFrame 75", with_key(base, "Entry 3", "AFrame", "75"), LOG, "msf abs error\n"},
        {"PSec 60", with_key(base, "Entry 3", "PSec", "60"), LOG, "msf relative error\n"},
        {"P inside the pregap", with_key(base, "Entry 3", "PSec", "1"), LOG,
         "msf relative error: Entry 3 starts at 00:01:00; expected 00:02:00 or later\n"},
    };
    for (const refusal &c : cases) {
        SCOPED_TRACE(c.context);
        read_result r = read(c.text);
        EXPECT_EQ(r.d, nullptr);
        EXPECT_EQ(c.where == OUT ? r.out : r.log, c.message);
        EXPECT_EQ(c.where == OUT ? r.log : r.out, "");
    }
}

TEST_F(Description, MissingKeysAreReportedAndLeaveZero) {
    std::string text = clonecd3 + description_text("", sample_toc());
    text = with_key(text, "Entry 3", "AMin", nullptr);  // stops the A triple
    text = with_key(text, "Entry 3", "AFrame", "5");
    text = with_key(text, "Entry 3", "PLBA", nullptr);
    text = with_key(text, "Entry 4", "ADR", nullptr);
    read_result r = read(text);
    ASSERT_NE(r.d, nullptr);
    EXPECT_EQ(r.out,
              "Key is not found: Entry 3.A\nKey is not found: Entry 3.PLBA\n"
              "Key is not found: Entry 4.ADR\n");
    EXPECT_EQ(r.d->entries[3].aframe, 0);
    EXPECT_EQ(r.d->entries[3].plba, 0u);  // recomputed from P
    EXPECT_EQ(r.d->entries[4].adr, 0);
}

TEST_F(Description, NumbersAreDecimalOrHexNeverOctal) {
    std::string text =
        with_key(clonecd3 + description_text("", sample_toc()), "Entry 3", "PSec", "08");
    read_result r = read(text);
    ASSERT_NE(r.d, nullptr) << r.out;
    EXPECT_EQ(r.d->entries[3].psec, 0x08);
}

TEST_F(Description, MissingFileGivesNothingAndSaysNothing) {
    recording_log r;
    testing::internal::CaptureStdout();
    EXPECT_EQ(description_read(r.sink, dir.path("none.ccd").c_str(), true), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(r.text(), "");
}

TEST_F(Description, UnloadableFileIsReportedThroughTheLog) {
    // A line without '=' is a syntax error for iniparser.
    read_result r = read(clonecd3 + "this line is no key\n");
    EXPECT_EQ(r.d, nullptr);
    EXPECT_NE(r.log.find("iniparser"), std::string::npos) << r.log;
}

TEST_F(Description, RomImagesGetAnEmptyRecordWithoutAFile) {
    disc_description *d = description_read(log_null(), "no such file", false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->version, 255);
    EXPECT_EQ(d->tocentries, 0);
    description_free(d);
}

std::string labelled(const char *format, const char *name_en) {
    std::string text = clonecd3 + "[PCECDROM2]\nregion=JP\ncode=HCD0000\nname_ja=テスト\n";
    if (format) text += std::string("format=") + format + "\n";
    if (name_en) text += std::string("name_en=") + name_en + "\n";
    return text + description_text("", sample_toc());
}

TEST_F(Description, DisplayNameNeedsAllFiveLabels) {
    read_result all = read(labelled("SCD", "Test"));
    ASSERT_NE(all.d, nullptr);
    ASSERT_NE(description_display_name(all.d), nullptr);
    EXPECT_STREQ(description_display_name(all.d), "HCD0000 テスト");
    read_result no_en = read(labelled("SCD", ""));
    ASSERT_NE(no_en.d, nullptr);
    EXPECT_EQ(description_display_name(no_en.d), nullptr);
}

TEST_F(Description, LongLabelsAreCutOnACharacterBoundary) {
    std::string name;
    for (int i = 0; i < 171; i++) name += "あ";  // 513 bytes
    read_result r = read(labelled("SCD", name.c_str()));
    ASSERT_NE(r.d, nullptr);
    EXPECT_EQ(std::string(r.d->name_en), name.substr(0, 170 * 3));
}

TEST_F(Description, FormatSelectsTheKindOfTheConfigWord) {
    struct {
        const char *format;
        uint32_t word;
    } cases[] = {{"CD", 0xABCD13},  {"CD,SCD", 0xABCD13}, {"SCD", 0xABCD14}, {"ACD,SCD", 0xABCD14},
                 {"ACD", 0xABCD15}, {"GECD", 0xABCD16},   {"cd", 0xABCD11},  {"SCD ", 0xABCD11}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        disc_description d{};
        snprintf(d.format, sizeof d.format, "%s", c.format);
        uint32_t word = 0xABCD11;
        description_apply_format(&d, &word);
        EXPECT_EQ(word, c.word);
    }
}

TEST(QFrame, CrcIsTheInvertedCcittCheckWord) {
    EXPECT_EQ(cd_crc16(nullptr, 0), 0xFFFF);
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(cd_crc16(check, sizeof check), 0xCE3C);
    // Every length around the eight-byte steps, from any start value,
    // against the bit-by-bit definition.
    uint8_t bytes[40];
    for (size_t i = 0; i < sizeof bytes; i++) bytes[i] = static_cast<uint8_t>(i * 151 + 7);
    for (uint16_t start : {0x0000, 0xFFFF, 0x1D0F}) {
        for (size_t n = 0; n <= sizeof bytes; n++) {
            uint16_t crc = start;
            for (size_t i = 0; i < n; i++) {
                crc ^= static_cast<uint16_t>(bytes[i] << 8);
                for (int b = 0; b < 8; b++)
                    crc = static_cast<uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
            }
            EXPECT_EQ(crc16_ccitt(start, bytes, n), crc) << n << " bytes from " << start;
        }
    }
}

TEST(QFrame, EntryBecomesControlAdrTrackPointAndPositions) {
    toc_entry a0{1, 0xA0, 1, 4, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0, 4350};
    uint8_t q[Q_FRAME_SIZE];
    toc_entry_to_frame(&a0, q);
    const uint8_t expected[10] = {0x41, 0x00, 0xA0, 0, 0, 0, 0, 0x01, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(q, q + 10), std::vector<uint8_t>(expected, expected + 10));
    EXPECT_TRUE(q_crc_ok(q));
}

TEST_F(Description, FramesReadBackToTheSameTrackStarts) {
    read_result r = read(clonecd3 + description_text("", sample_toc()));
    ASSERT_NE(r.d, nullptr);
    uint8_t frames[6 * Q_FRAME_SIZE];
    memset(frames, 0x55, sizeof frames);
    EXPECT_EQ(toc_to_frames(r.d, frames, 4 * Q_FRAME_SIZE), 0) << "does not fit";
    ASSERT_EQ(toc_to_frames(r.d, frames, sizeof frames), 5);
    EXPECT_EQ(frames[5 * Q_FRAME_SIZE], 0x55) << "nothing written past the entries";

    recording_log log;
    disc_description *back = toc_from_frames(log.sink, frames, sizeof frames);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(log.text(), "");
    ASSERT_EQ(back->tocentries, 5);
    EXPECT_EQ(back->entries[4].plba, r.d->entries[4].plba);
    EXPECT_EQ(back->entries[4].point, 0x10);
    EXPECT_EQ(back->entries[2].plba, 0u) << "lead-in points carry no start";
    description_free(back);
}

TEST(TocFromFrames, FreshIndexDiscToc) {
    disc_description *d = toc_from_frames(log_null(), nullptr, 0);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->tocentries, 4);
    EXPECT_EQ(d->entries[0].point, 0xA0);
    EXPECT_EQ(d->entries[0].control, 4);
    EXPECT_EQ(d->entries[0].pmin, 0x01);
    EXPECT_EQ(d->entries[1].pmin, 0x01);
    EXPECT_EQ(d->entries[2].psec, 0x07);
    EXPECT_EQ(d->entries[3].point, 0x01);
    EXPECT_EQ(d->entries[3].control, 0);
    EXPECT_EQ(d->entries[3].psec, 0x02);
    EXPECT_EQ(d->entries[3].plba, 0u);
    for (int i = 0; i < 4; i++) EXPECT_EQ(d->entries[i].session, 1);
    description_free(d);
}

TEST(TocFromFrames, DamagedCrcIsReportedAndTheWalkGoesOn) {
    uint8_t frames[3 * Q_FRAME_SIZE];
    memset(frames, 0x55, sizeof frames);
    toc_entry t1{1, 0x01, 1, 4, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0, 0};
    toc_entry_to_frame(&t1, frames);
    toc_entry_to_frame(&t1, frames + Q_FRAME_SIZE);
    frames[Q_FRAME_SIZE + 11] ^= 1;
    recording_log log;
    disc_description *d = toc_from_frames(log.sink, frames, sizeof frames);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tocentries, 2);
    EXPECT_EQ(log.text(), "toc crc error\n");
    description_free(d);
}

TEST(TocFromFrames, CountOutsideOneTo102IsRefused) {
    std::vector<uint8_t> none(Q_FRAME_SIZE, 0x55);
    std::vector<uint8_t> too_many(103 * Q_FRAME_SIZE, 0x00);
    std::vector<uint8_t> exactly_max(102 * Q_FRAME_SIZE, 0x00);  // no 0x55 after: the end stops it
    recording_log log;
    EXPECT_EQ(toc_from_frames(log.sink, none.data(), none.size()), nullptr);
    EXPECT_EQ(toc_from_frames(log.sink, too_many.data(), too_many.size()), nullptr);
    EXPECT_NE(log.text().find("expected 1 to 102 frames, found 103 or more"), std::string::npos);
    disc_description *d = toc_from_frames(log_null(), exactly_max.data(), exactly_max.size());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tocentries, 102);
    description_free(d);
}

}  // namespace
