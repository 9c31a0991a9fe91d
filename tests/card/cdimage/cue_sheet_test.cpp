// Cue sheets read as discs: the generated subchannel of every sector, the
// main bytes taken from the files or generated, and refusals of bad sheets.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/cd_source.h"
#include "card/cdimage/image_input.h"
#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

struct input_holder {
    image_input in{};
    ~input_holder() { image_input_free(&in); }
};

const q_segment &segment_of(const cue_disc_case &c, uint32_t lba) {
    size_t s = 0;
    while (s + 1 < c.segments.size() && c.segments[s + 1].first_lba <= lba) s++;
    return c.segments[s];
}

bool is_bcd(uint8_t v) { return (v >> 4) <= 9 && (v & 0x0F) <= 9; }

// Bitwise CRC-16 (polynomial 0x1021, inverted), independent of the table.
bool crc_ok(const uint8_t *q) {
    uint16_t crc = 0;
    for (int i = 0; i < 10; i++) {
        crc ^= static_cast<uint16_t>(q[i] << 8);
        for (int b = 0; b < 8; b++) crc = static_cast<uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
    }
    crc = static_cast<uint16_t>(~crc);
    return q[10] == (crc >> 8) && q[11] == (crc & 0xFF);
}

uint32_t msf_frames(const uint8_t *msf) {
    return bcd_to_bin(msf[0]) * 4500u + bcd_to_bin(msf[1]) * 75u + bcd_to_bin(msf[2]);
}

// EDC of a Mode 1 sector: CRC-32 (polynomial 0x8001801B reflected), bitwise.
uint32_t edc_bitwise(const uint8_t *data, size_t length) {
    uint32_t edc = 0;
    for (size_t i = 0; i < length; i++) {
        edc ^= data[i];
        for (int b = 0; b < 8; b++) edc = edc & 1 ? (edc >> 1) ^ 0xD8018001u : edc >> 1;
    }
    return edc;
}

}  // namespace

TEST(cue_disc, every_q_frame_follows_the_sheet) {
    for (const cue_disc_case &c : cue_disc_cases()) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        recording_log log;
        input_holder h;
        ASSERT_EQ(image_input_read(log.sink, write_cue_disc(dir.path(""), c).c_str(), &h.in), 1)
            << log.text();
        ASSERT_EQ(h.in.kind, IMAGE_CD);
        ASSERT_EQ(h.in.sector_count, c.sector_count);
        disc_read d = read_whole_disc(h.in);
        for (uint32_t lba = 0; lba < c.sector_count; lba++) {
            SCOPED_TRACE("sector " + std::to_string(lba));
            const uint8_t *block = &d.sub[size_t{lba} * SUBCHANNEL_BLOCK_SIZE];
            const uint8_t *q = block + SUBCHANNEL_Q_OFFSET;
            const q_segment &s = segment_of(c, lba);
            ASSERT_TRUE(crc_ok(q));
            ASSERT_EQ(q[0], s.control << 4 | 1);
            ASSERT_EQ(q[1], bcd_from_bin(static_cast<uint8_t>(s.track)));
            ASSERT_EQ(q[2], bcd_from_bin(static_cast<uint8_t>(s.index)));
            for (int i = 3; i < 10; i++) ASSERT_TRUE(is_bcd(q[i])) << "byte " << i;
            ASSERT_EQ(q[6], 0);
            uint32_t relative = lba < s.index_one ? s.index_one - lba - 1 : lba - s.index_one;
            ASSERT_EQ(msf_frames(&q[3]), relative);
            ASSERT_EQ(msf_frames(&q[7]), lba + 150);
            const uint8_t p = s.index == 0 ? 0xFF : 0x00;
            for (int i = 0; i < SUBCHANNEL_Q_OFFSET; i++) ASSERT_EQ(block[i], p);
            for (int i = 24; i < SUBCHANNEL_BLOCK_SIZE; i++) ASSERT_EQ(block[i], 0);
        }
        // The TOC: A0, A1, A2 at the lead-out, then each track at its INDEX 01.
        const disc_description *toc = h.in.description;
        ASSERT_EQ(toc->entries[2].point, TOC_POINT_A2);
        uint8_t end[3] = {toc->entries[2].pmin, toc->entries[2].psec, toc->entries[2].pframe};
        EXPECT_EQ(msf_frames(end), c.sector_count + 150);
        for (const q_segment &s : c.segments) {
            if (s.index != 1) continue;
            const toc_entry &e = toc->entries[2 + s.track];
            EXPECT_EQ(e.point, bcd_from_bin(static_cast<uint8_t>(s.track)));
            EXPECT_EQ(e.plba, s.first_lba);
            EXPECT_EQ(e.control, s.control);
        }
    }
}

TEST(cue_disc, main_bytes_come_from_the_files_or_are_generated) {
    for (const cue_disc_case &c : cue_disc_cases()) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        recording_log log;
        input_holder h;
        ASSERT_EQ(image_input_read(log.sink, write_cue_disc(dir.path(""), c).c_str(), &h.in), 1);
        disc_read d = read_whole_disc(h.in);
        // Walk the files in sheet order: generated sectors sit only where a
        // PREGAP or POSTGAP put them.
        const bool motorola = c.sheet.find("MOTOROLA") != std::string::npos;
        uint32_t lba = 0;
        for (const cue_bin_file &f : c.files) {
            std::vector<uint8_t> bytes = cue_file_bytes(f);
            if (f.sector_size == 2048) {
                for (uint32_t k = 0; k < 150; k++, lba++) {  // PREGAP
                    const uint8_t *m = &d.main[size_t{lba} * CD_SECTOR_SIZE];
                    ASSERT_EQ(m[15], 1);
                    for (int i = 16; i < 2064; i++) ASSERT_EQ(m[i], 0);
                }
            }
            for (uint32_t k = 0; k < f.sectors; k++, lba++) {
                SCOPED_TRACE("sector " + std::to_string(lba));
                const uint8_t *m = &d.main[size_t{lba} * CD_SECTOR_SIZE];
                const uint8_t *from = &bytes[size_t{k} * f.sector_size];
                if (f.sector_size == 2048) {
                    static const uint8_t sync[12] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
                    ASSERT_EQ(memcmp(m, sync, 12), 0);
                    ASSERT_EQ(msf_frames(m + 12), lba + 150);
                    ASSERT_EQ(m[15], 1);
                    ASSERT_EQ(memcmp(m + 16, from, 2048), 0);
                    uint32_t edc = edc_bitwise(m, 2064);
                    ASSERT_EQ(m[2064] | m[2065] << 8 | m[2066] << 16 | uint32_t{m[2067]} << 24,
                              edc);
                } else if (motorola && f.name != "d.bin") {
                    for (int i = 0; i < CD_SECTOR_SIZE; i += 2) {
                        ASSERT_EQ(m[i], from[i + 1]);
                        ASSERT_EQ(m[i + 1], from[i]);
                    }
                } else {
                    ASSERT_EQ(memcmp(m, from, CD_SECTOR_SIZE), 0);
                }
            }
            if (f.sector_size == 2048) lba += 75;  // POSTGAP
        }
        EXPECT_EQ(lba, c.sector_count);
    }
}

TEST(cue_disc, edc_matches_the_published_check_value) {
    // CRC-32/CD-ROM-EDC of "123456789" is 0x6EC2EDC4: the test's own EDC is
    // the reference for the sectors above.
    EXPECT_EQ(edc_bitwise(reinterpret_cast<const uint8_t *>("123456789"), 9), 0x6EC2EDC4u);
}

TEST(cue_disc, bare_prefix_finds_image_set_first_then_the_sheet) {
    temp_dir dir;
    const cue_disc_case &c = cue_disc_cases()[0];
    write_cue_disc(dir.path(""), c);
    recording_log log;
    {
        input_holder h;
        ASSERT_EQ(image_input_read(log.sink, dir.path("disc").c_str(), &h.in), 1) << log.text();
        EXPECT_EQ(h.in.sector_count, c.sector_count);
    }
    std::vector<sector_spec> sectors;
    add_track(&sectors, 0x40, 1, 150, 10, 0);
    write_image(dir.path("disc"), sectors);
    write_text(dir.path("disc.ccd"),
               description_text("[CloneCD]\nVersion=3\n",
                                {{0xA0, 4, 1, 0, 0}, {0xA1, 4, 1, 0, 0}, {0xA2, 4, 0, 2, 10},
                                 {1, 4, 0, 2, 0}}));
    input_holder h;
    ASSERT_EQ(image_input_read(log.sink, dir.path("disc").c_str(), &h.in), 1) << log.text();
    EXPECT_EQ(h.in.sector_count, 10u) << "the image set wins over disc.cue";
}

TEST(cue_disc, bad_sheets_are_refused_with_the_file_and_the_fault) {
    struct {
        const char *context;
        std::string sheet;
        std::vector<cue_bin_file> files;
        size_t extra_bytes;  // appended to the last file
        const char *message;
    } cases[] = {
        {"missing file", "FILE gone.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", {}, 0,
         "gone.bin: not found"},
        {"file too short for its tracks",
         "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
         "INDEX 01 00:02:00\n",
         {{"a.bin", 100, 2352}}, 0, "a.bin: too short for its tracks"},
        {"partial sector", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
         {{"a.bin", 10, 2352}}, 100, "a.bin: size is not a whole number of sectors"},
        {"unknown mode", "FILE a.bin BINARY\nTRACK 01 MODE2/2336\nINDEX 01 00:00:00\n",
         {{"a.bin", 10, 2352}}, 0, "disc.cue: line 2: unknown mode MODE2/2336"},
        {"wave file", "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", {}, 0,
         "disc.cue: line 1: file type WAVE is not supported"},
        {"no INDEX 01", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n",
         {{"a.bin", 10, 2352}}, 0, "disc.cue: the last track has no INDEX 01"},
        {"bad position", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
         {{"a.bin", 10, 2352}}, 0, "disc.cue: line 3: INDEX needs a number and a position"},
        {"tracks out of order",
         "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n",
         {{"a.bin", 10, 2352}}, 0, "disc.cue: line 4: track numbers must follow each other"},
        {"no track", "REM nothing\n", {}, 0, "disc.cue: the sheet has no TRACK"},
        {"INDEX 02 in the next file",
         "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b.bin BINARY\n"
         "INDEX 02 00:00:00\n",
         {{"a.bin", 10, 2352}, {"b.bin", 10, 2352}}, 0,
         "disc.cue: line 5: a track whose indexes span two files is not supported"},
        {"track 1's INDEX 00 in a file of its own",
         "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nFILE b.bin BINARY\n"
         "INDEX 01 00:00:00\n",
         {{"a.bin", 10, 2352}, {"b.bin", 10, 2352}}, 0,
         "disc.cue: a track's INDEX 00 is not in the previous track's file"},
        {"binary junk", std::string("FILE a\0b BINARY\n", 16), {}, 0,
         "disc.cue: line 1: not a text file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        for (const cue_bin_file &f : c.files) {
            std::vector<uint8_t> bytes = cue_file_bytes(f);
            bytes.resize(bytes.size() + c.extra_bytes);
            write_text(dir.path(f.name), std::string(bytes.begin(), bytes.end()));
        }
        write_text(dir.path("disc.cue"), c.sheet);
        recording_log log;
        input_holder h;
        EXPECT_EQ(image_input_read(log.sink, dir.path("disc.cue").c_str(), &h.in), 0);
        EXPECT_NE(log.text().find(c.message), std::string::npos) << log.text();
        EXPECT_EQ(h.in.source, nullptr);
    }
}
