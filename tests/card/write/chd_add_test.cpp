// Discs added from compressed hunk files made by chdman from generated cue
// sheets: every codec yields the sheet's sectors, subchannel and TOC, the
// card equals the one added from the sheet, and damaged files are refused
// without touching the card.
#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "card/cdimage/chd_file.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/sector_ecc.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "card/cdimage/subchannel_swap.h"
#include "tests/card/cdimage/chd_build.h"
#include "tests/card/cdimage/chdman_run.h"
#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/write/adding_fixture.h"

namespace {

std::vector<uint8_t> file_bytes(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The codecs Debian's chdman writes (it has no zstd).
const char *const CODECS[] = {"cdzl", "cdlz", "cdfl"};

// Files the codecs have work on: each file a third Mode 1 sectors with
// valid parity (kept without it), a third a sine tone (FLAC's case), a
// third noise (kept raw).
void write_compressible_files(const std::string &folder, const cue_disc_case &c) {
    for (const cue_bin_file &f : c.files) {
        std::vector<uint8_t> bytes = cue_file_bytes(f);
        for (uint32_t k = 0; k < f.sectors * 2 / 3; k++) {
            uint8_t sector[CD_SECTOR_SIZE] = {};
            uint8_t *user = f.sector_size == CD_SECTOR_SIZE ? sector + 16 : sector;
            for (int i = 0; i < 2048; i++) user[i] = static_cast<uint8_t>(k + i / 64);
            if (k < f.sectors / 3) {
                if (f.sector_size == CD_SECTOR_SIZE) mode1_sector_complete(sector, k + 150);
            } else {
                for (int i = 0; i < static_cast<int>(f.sector_size) / 2; i++) {
                    const auto v = static_cast<int16_t>(8000 * std::sin((k * 588 + i / 2) * 0.03));
                    sector[2 * i] = static_cast<uint8_t>(v), sector[2 * i + 1] = static_cast<uint8_t>(v >> 8);
                }
            }
            memcpy(&bytes[size_t{k} * f.sector_size], sector, f.sector_size);
        }
        write_file(folder + "/" + f.name, bytes);
    }
}

bool has_compressed_hunks(const std::string &chd) {
    recording_log log;
    std::unique_ptr<chd_file> opened = chd_open(log.sink, chd.c_str());
    if (opened == nullptr) return false;
    for (const chd_hunk_entry &e : opened->map)
        if (e.kind < CHD_STORED_RAW) return true;
    return false;
}

// The sheet as a CHD keeps it: track metadata holds no index past 01.
std::string without_higher_indexes(const std::string &folder, const std::string &sheet) {
    const std::vector<uint8_t> bytes = file_bytes(sheet);
    std::string text(bytes.begin(), bytes.end()), kept;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, end - at);
        const size_t index = line.find("INDEX ");
        if (index == std::string::npos || line.compare(index + 6, 2, "00") == 0 ||
            line.compare(index + 6, 2, "01") == 0)
            kept += line;
        at = end;
    }
    write_text(folder + "/kept.cue", kept);
    return folder + "/kept.cue";
}

}  // namespace

TEST(chd_add, every_codec_yields_the_sheets_disc_and_card) {
    SKIP_WITHOUT_CHDMAN();
    for (const cue_disc_case &c : cue_disc_cases()) {
        const std::string key = "disc" + std::to_string(&c - cue_disc_cases().data());
        // Track metadata keeps no FLAGS: such a disc is covered by the
        // extraction test below.
        if (c.sheet.find("FLAGS") != std::string::npos) continue;
        SCOPED_TRACE(c.context);
        temp_dir dir;
        const std::string sheet = write_cue_disc(dir.path(""), c);
        write_compressible_files(dir.path(""), c);
        const std::string kept = without_higher_indexes(dir.path(""), sheet);
        const disc_read from_sheet = read_whole_disc(kept);
        memory_card sheet_card{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(sheet_card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, sheet_card.drive(), "add_withname", {kept, "game"}), 0)
            << log.text();
        for (const char *codec : CODECS) {
            SCOPED_TRACE(codec);
            const std::string chd = dir.path(std::string(codec) + ".chd");
            ASSERT_TRUE(run_chdman("createcd -i " + quoted(sheet) + " -o " + quoted(chd) +
                                       " -c " + codec,
                                   key, {chd}));
            EXPECT_TRUE(has_compressed_hunks(chd));
            expect_same_disc(read_whole_disc(chd), from_sheet);
            memory_card chd_card{TEST_CARD_SECTORS};
            ASSERT_TRUE(format_card(chd_card.drive()));
            ASSERT_EQ(run_card(log, chd_card.drive(), "add_withname", {chd, "game"}), 0)
                << log.text();
            EXPECT_TRUE(card_bytes(chd_card) == card_bytes(sheet_card)) << "the cards differ";
        }
    }
}

TEST(chd_add, extracted_sheet_yields_what_the_reader_yields) {
    SKIP_WITHOUT_CHDMAN();
    for (const cue_disc_case &c : cue_disc_cases()) {
        SCOPED_TRACE(c.context);
        const std::string key = "extracted" + std::to_string(&c - cue_disc_cases().data());
        temp_dir dir;
        const std::string sheet = write_cue_disc(dir.path(""), c);
        const std::string chd = dir.path("x.chd");
        ASSERT_TRUE(run_chdman("createcd -i " + quoted(sheet) + " -o " + quoted(chd), key, {chd}));
        ASSERT_TRUE(run_chdman("extractcd -i " + quoted(chd) + " -o " + quoted(dir.path("out.cue")) +
                                   " -ob " + quoted(dir.path("out.bin")),
                               key, {dir.path("out.cue"), dir.path("out.bin")}));
        expect_same_disc(read_whole_disc(chd), read_whole_disc(dir.path("out.cue")));
    }
}

TEST(chd_add, damaged_files_fail_and_leave_the_card_unchanged) {
    SKIP_WITHOUT_CHDMAN();
    temp_dir dir;
    const std::string sheet = write_cue_disc(dir.path(""), cue_disc_cases()[0]);
    const std::string good = dir.path("good.chd");
    ASSERT_TRUE(run_chdman("createcd -i " + quoted(sheet) + " -o " + quoted(good) + " -c cdzl",
                           "damaged", {good}));
    const std::vector<uint8_t> bytes = file_bytes(good);
    ASSERT_GT(bytes.size(), 4096u);
    auto variant = [&](const char *name, auto change) {
        std::vector<uint8_t> b = bytes;
        change(b);
        write_file(dir.path(name), b);
        return dir.path(name);
    };
    // A byte inside the first hunk kept uncompressed (random sectors do
    // not compress): only the hunk's CRC can tell.
    recording_log open_log;
    std::unique_ptr<chd_file> opened = chd_open(open_log.sink, good.c_str());
    ASSERT_NE(opened, nullptr) << open_log.text();
    size_t raw = 0;
    while (raw < opened->map.size() && opened->map[raw].kind != CHD_STORED_RAW) raw++;
    ASSERT_LT(raw, opened->map.size());
    const uint64_t raw_at = opened->map[raw].offset + opened->hunk_bytes / 2;
    const std::string bad_crc_message = "bad_hunk.chd: hunk " + std::to_string(raw) + " fails its CRC check";
    const std::string bad_hunk =
        variant("bad_hunk.chd", [&](std::vector<uint8_t> &b) { b.at(raw_at) ^= 0x5A; });
    const std::string truncated =
        variant("truncated.chd", [](std::vector<uint8_t> &b) { b.resize(b.size() / 2); });
    const std::string old_version =
        variant("v4.chd", [](std::vector<uint8_t> &b) { b[15] = 4; });
    const std::string child =
        variant("child.chd", [](std::vector<uint8_t> &b) { b[110] = 0x42; });
    const std::string bad_map = variant("bad_map.chd", [](std::vector<uint8_t> &b) {
        uint64_t map = 0;
        for (int i = 40; i < 48; i++) map = map << 8 | b[i];
        b[map + 20] ^= 0xFF;
    });
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log first;
    ASSERT_EQ(run_card(first, card.drive(), "add", {sheet}), 0) << first.text();
    const std::vector<uint8_t> before = card_bytes(card);
    struct {
        const char *command;
        std::string file;
        std::string message;
    } cases[] = {
        {"add", bad_hunk, bad_crc_message},
        {"overwrite", bad_hunk, bad_crc_message},
        {"add", truncated, "truncated.chd: "},
        {"add", old_version, "v4.chd: CHD version 4 is not supported"},
        {"add", child, "child.chd: needs its parent CHD"},
        {"add", bad_map, "bad_map.chd: damaged or truncated CHD map"},
        {"add", dir.path("none.chd"), "none.chd: not found"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.file);
        recording_log log;
        std::vector<std::string> args{k.file};
        if (std::string(k.command) == "overwrite") args.push_back("1");
        EXPECT_EQ(run_card(log, card.drive(), k.command, args), 1);
        EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        EXPECT_TRUE(card_bytes(card) == before) << "the card changed";
    }
    // Its listing fails too: the message on a line of its own, and no CRC
    // line for the track that could not be read.
    recording_log listing;
    EXPECT_EQ(run_card(listing, card.drive(), "mmchash", {bad_hunk}), 1);
    EXPECT_EQ(listing.text(), dir.path(bad_crc_message) + "\nread error\n");
}

// The data's SHA-1 in the header, which only a read of all of it can check.
// An add finds a mismatch at the end of its read, having written only free
// space past the last image; an overwrite, which rewrites an image in place,
// checks before it writes. Track 1's stored pregap is not part of the disc,
// yet the check covers it.
TEST(chd_add, data_that_fails_its_sha1_is_refused) {
    SKIP_WITHOUT_CHDMAN();
    temp_dir dir;
    const cue_disc_case &c = cue_disc_cases()[0];
    const std::string sheet = write_cue_disc(dir.path(""), c);
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log first;
    ASSERT_EQ(run_card(first, card.drive(), "add", {sheet}), 0) << first.text();
    const std::vector<uint8_t> before = card_bytes(card);
    ASSERT_GT(before.size(), 64u * 512);
    // The same sheet over other bytes, so that a rewrite would show.
    write_compressible_files(dir.path(""), c);
    const std::string good = dir.path("good.chd"), bad = dir.path("bad.chd");
    ASSERT_TRUE(run_chdman("createcd -i " + quoted(sheet) + " -o " + quoted(good), "sha1", {good}));
    std::vector<uint8_t> bytes = file_bytes(good);
    bytes.at(64 + 7) ^= 0x01;
    write_file(bad, bytes);

    // A disc with a stored track 1 pregap: a byte changed in its first hunk
    // leaves the disc as read the same.
    write_file(dir.path("p.bin"), cue_file_bytes({"p.bin", 400, CD_SECTOR_SIZE}));
    write_text(dir.path("p.cue"),
               "FILE p.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n");
    const std::string pregap = dir.path("pregap.chd"), damaged = dir.path("damaged.chd");
    ASSERT_TRUE(run_chdman("createcd -i " + quoted(dir.path("p.cue")) + " -o " + quoted(pregap), "pregap",
                           {pregap}));
    bytes = file_bytes(pregap);
    recording_log open_log;
    std::unique_ptr<chd_file> opened = chd_open(open_log.sink, pregap.c_str());
    ASSERT_NE(opened, nullptr) << open_log.text();
    ASSERT_LT(opened->map[0].kind, CHD_STORED_SELF);
    bytes.at(opened->map[0].offset + opened->map[0].length / 2) ^= 0x10;
    write_file(damaged, bytes);
    expect_same_disc(read_whole_disc(damaged), read_whole_disc(pregap));

    const std::string mismatch = ": the data does not match the SHA-1";
    struct {
        const char *command;
        std::string file;
        std::string message;
        bool whole_card_kept;  // else only what the card lists
    } cases[] = {
        {"overwrite", bad, "bad.chd" + mismatch, true},
        {"add", bad, "bad.chd" + mismatch, false},
        {"add", damaged, "damaged.chd: hunk 0 ", false},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(std::string(k.command) + " " + k.file);
        recording_log log;
        std::vector<std::string> args{k.file};
        if (std::string(k.command) == "overwrite") args.push_back("1");
        EXPECT_EQ(run_card(log, card.drive(), k.command, args), 1);
        EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        const std::vector<uint8_t> now = card_bytes(card);
        const size_t listed = before.size() - 64 * 512;  // card_bytes reads 64 sectors more
        if (k.whole_card_kept)
            EXPECT_TRUE(now == before) << "the card changed";
        else
            EXPECT_TRUE(now.size() == before.size() &&
                        std::equal(before.begin(), before.begin() + listed, now.begin()))
                << "the listed images changed";
    }
    for (const std::string &accepted : {good, pregap}) {
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), "add", {accepted}), 0) << log.text();
    }
}

// A CD image made from a toc file whose tracks keep their raw subchannel
// (96 bytes a frame, P to W interleaved as a drive reads it): the kept
// subchannel is what the disc yields, turned to the per-channel layout,
// with P and Q generated where the kept Q frame does not check (a damaged
// frame; a track whose P and Q were not kept) and R to W kept throughout.
TEST(chd_add, kept_raw_subchannel_is_used_where_its_q_checks) {
    SKIP_WITHOUT_CHDMAN();
    temp_dir dir;
    constexpr uint32_t DATA = 64, AUDIO = 48;  // chdman refuses much smaller images
    const std::vector<uint32_t> damaged = {5, 6, DATA - 1};
    std::vector<uint8_t> kept(size_t{DATA + AUDIO} * SUBCHANNEL_BLOCK_SIZE);
    std::vector<uint8_t> frames[2];
    const std::vector<uint8_t> main = cue_file_bytes({"main", DATA + AUDIO, CD_SECTOR_SIZE});
    for (uint32_t lba = 0; lba < DATA + AUDIO; lba++) {
        uint8_t *block = &kept[size_t{lba} * SUBCHANNEL_BLOCK_SIZE];
        for (int i = Q_FRAME_SIZE * 2; i < SUBCHANNEL_BLOCK_SIZE; i++)
            block[i] = static_cast<uint8_t>(lba * 3 + i);
        if (lba < DATA) {
            std::vector<uint8_t> q = q_position(0x40, 1, 1, lba, lba + 150);
            if (lba % 10 == 3) {
                // A catalogue number frame, which no generated Q carries.
                q = {0x42, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x30, 0x00, 0x00, 0, 0};
                q_crc_store(q.data());
            }
            memset(block, lba % 2 == 0 ? 0xFF : 0x00, Q_FRAME_SIZE);  // P as kept
            memcpy(block + SUBCHANNEL_Q_OFFSET, q.data(), Q_FRAME_SIZE);
            if (std::find(damaged.begin(), damaged.end(), lba) != damaged.end())
                block[SUBCHANNEL_Q_OFFSET + 4] ^= 0x01;
        }
        uint8_t interleaved[SUBCHANNEL_BLOCK_SIZE];
        memcpy(interleaved, block, sizeof interleaved);
        subchannel_to_interleaved(interleaved);
        std::vector<uint8_t> &file = frames[lba < DATA ? 0 : 1];
        file.insert(file.end(), &main[size_t{lba} * CD_SECTOR_SIZE],
                    &main[size_t{lba + 1} * CD_SECTOR_SIZE]);
        file.insert(file.end(), interleaved, interleaved + sizeof interleaved);
    }
    write_file(dir.path("t1.bin"), frames[0]);
    write_file(dir.path("t2.bin"), frames[1]);
    write_text(dir.path("disc.toc"), "CD_ROM\nTRACK MODE1_RAW RW_RAW\nDATAFILE \"t1.bin\" 00:00:64\n"
                                     "TRACK AUDIO RW_RAW\nFILE \"t2.bin\" 0 00:00:48\n");
    const std::string chd = dir.path("disc.chd");
    ASSERT_TRUE(run_chdman("createcd -i " + quoted(dir.path("disc.toc")) + " -o " + quoted(chd), "raw",
                           {chd}));
    ASSERT_TRUE(run_chdman("extractcd -i " + quoted(chd) + " -o " + quoted(dir.path("out.cue")) +
                               " -ob " + quoted(dir.path("out.bin")),
                           "raw", {dir.path("out.cue"), dir.path("out.bin")}));
    // The extracted sheet has no subchannel: its disc carries the generated
    // one.
    const disc_read generated = read_whole_disc(dir.path("out.cue"));
    const disc_read d = read_whole_disc(chd);
    ASSERT_EQ(d.sub.size(), kept.size());
    EXPECT_TRUE(d.main == generated.main) << "sectors differ";
    for (uint32_t lba = 0; lba < DATA + AUDIO; lba++) {
        SCOPED_TRACE("sector " + std::to_string(lba));
        const size_t at = size_t{lba} * SUBCHANNEL_BLOCK_SIZE;
        const bool q_kept = lba < DATA && std::find(damaged.begin(), damaged.end(), lba) == damaged.end();
        const std::vector<uint8_t> &pq = q_kept ? kept : generated.sub;
        EXPECT_EQ(memcmp(&d.sub[at], &pq[at], Q_FRAME_SIZE * 2), 0) << "P and Q";
        EXPECT_EQ(memcmp(&d.sub[at + Q_FRAME_SIZE * 2], &kept[at + Q_FRAME_SIZE * 2],
                         SUBCHANNEL_BLOCK_SIZE - Q_FRAME_SIZE * 2),
                  0)
            << "R to W";
    }
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    EXPECT_EQ(run_card(log, card.drive(), "add", {chd}), 0) << log.text();
}

namespace {

std::vector<uint8_t> deflated(const uint8_t *data, size_t size) {
    z_stream z{};
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(size)) + 64);
    EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY),
              Z_OK);
    z.next_in = const_cast<Bytef *>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::vector<uint8_t> zstd_compressed(const uint8_t *data, size_t size) {
    std::vector<uint8_t> out(ZSTD_compressBound(size));
    const size_t n = ZSTD_compress(out.data(), out.size(), data, size, 3);
    EXPECT_FALSE(ZSTD_isError(n));
    out.resize(n);
    return out;
}

// A CD codec's hunk: no sector marked as stripped of sync and parity, the
// sector data's compressed length in 2 bytes, the sector data, then the
// subchannel, each compressed alone.
chd_hunk_compressor cd_codec(std::vector<uint8_t> (*compress)(const uint8_t *, size_t)) {
    return [compress](const std::vector<uint8_t> &hunk) {
        const size_t frames = hunk.size() / 2448;
        std::vector<uint8_t> sectors, subs;
        for (size_t f = 0; f < frames; f++) {
            const uint8_t *frame = &hunk[f * 2448];
            sectors.insert(sectors.end(), frame, frame + CD_SECTOR_SIZE);
            subs.insert(subs.end(), frame + CD_SECTOR_SIZE, frame + 2448);
        }
        const std::vector<uint8_t> a = compress(sectors.data(), sectors.size()),
                                   b = compress(subs.data(), subs.size());
        std::vector<uint8_t> out((frames + 7) / 8, 0);
        out.push_back(static_cast<uint8_t>(a.size() >> 8));
        out.push_back(static_cast<uint8_t>(a.size()));
        out.insert(out.end(), a.begin(), a.end());
        out.insert(out.end(), b.begin(), b.end());
        return out;
    };
}

}  // namespace

// chdman here writes no zstd hunks, so the disc is built by hand: a data
// track and an audio track after a generated pregap, as a CHD and as a cue
// sheet over the same sectors. The file builder is checked by chdman itself
// on the deflate form of the same file.
TEST(chd_add, zstd_cd_hunks_yield_the_sheets_disc_and_card) {
    temp_dir dir;
    constexpr uint32_t DATA = 40, AUDIO = 30, AUDIO_PADDED = 32;
    std::vector<uint8_t> data_bin, audio_bin;
    chd_build build;
    build.codec = chd_tag('c', 'd', 'z', 's');
    for (uint32_t k = 0; k < DATA + AUDIO_PADDED; k++) {
        uint8_t sector[CD_SECTOR_SIZE] = {};
        if (k < DATA) {
            for (int i = 0; i < 2048; i++) sector[16 + i] = static_cast<uint8_t>(k + i / 64);
            mode1_sector_complete(sector, k + 150);
            data_bin.insert(data_bin.end(), sector, sector + CD_SECTOR_SIZE);
        } else if (k < DATA + AUDIO) {
            for (int i = 0; i < CD_SECTOR_SIZE / 2; i++) {
                const auto v = static_cast<int16_t>(9000 * std::sin((k * 1176 + i) * 0.02));
                sector[2 * i] = static_cast<uint8_t>(v), sector[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
            audio_bin.insert(audio_bin.end(), sector, sector + CD_SECTOR_SIZE);
            swap_sample_bytes(sector);  // the image keeps audio big-endian
        }
        build.frames.insert(build.frames.end(), sector, sector + CD_SECTOR_SIZE);
        build.frames.insert(build.frames.end(), SUBCHANNEL_BLOCK_SIZE, 0);
    }
    build.tracks = {
        "TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:40 PREGAP:0 PGTYPE:MODE1 PGSUB:NONE POSTGAP:0",
        "TRACK:2 TYPE:AUDIO SUBTYPE:NONE FRAMES:30 PREGAP:150 PGTYPE:MODE1 PGSUB:NONE POSTGAP:0"};
    static_assert(DATA % 4 == 0 && AUDIO_PADDED % 4 == 0 && AUDIO <= AUDIO_PADDED);
    write_file(dir.path("d.bin"), data_bin);
    write_file(dir.path("a.bin"), audio_bin);
    const std::string sheet = dir.path("disc.cue");
    write_text(sheet, "FILE d.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
                      "FILE a.bin BINARY\nTRACK 02 AUDIO\nPREGAP 00:02:00\nINDEX 01 00:00:00\n");

    chd_build deflate_form = build;
    deflate_form.codec = chd_tag('c', 'd', 'z', 'l');
    const std::string cdzl = dir.path("cdzl.chd"), cdzs = dir.path("cdzs.chd");
    ASSERT_TRUE(chd_build_write(cdzl, deflate_form, cd_codec(deflated)));
#ifndef _WIN32
    // chdman vouches for the builder (there is no chdman under wine).
    const std::string verdict = chdman_output("verify -i " + quoted(cdzl));
    EXPECT_NE(verdict.find("Raw SHA1 verification successful"), std::string::npos) << verdict;
    EXPECT_NE(verdict.find("Overall SHA1 verification successful"), std::string::npos) << verdict;
#endif
    ASSERT_TRUE(chd_build_write(cdzs, build, cd_codec(zstd_compressed)));

    const disc_read from_sheet = read_whole_disc(sheet);
    expect_same_disc(read_whole_disc(cdzl), from_sheet);
    expect_same_disc(read_whole_disc(cdzs), from_sheet);
    memory_card sheet_card{TEST_CARD_SECTORS}, chd_card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(sheet_card.drive()));
    ASSERT_TRUE(format_card(chd_card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, sheet_card.drive(), "add_withname", {sheet, "game"}), 0) << log.text();
    ASSERT_EQ(run_card(log, chd_card.drive(), "add_withname", {cdzs, "game"}), 0) << log.text();
    EXPECT_TRUE(card_bytes(chd_card) == card_bytes(sheet_card)) << "the cards differ";
}

namespace {

// Every hunk of a file in order as a whole read takes them, decoded by the
// reader itself (threads 0) or by threads ahead of it.
struct hunk_pass {
    std::vector<uint8_t> bytes;  // the hunks read, up to the first that failed
    bool ended = false;          // the whole read's check passed
    std::string log;
};

hunk_pass read_all_hunks(const std::string &name, int threads) {
    hunk_pass p;
    recording_log log;
    std::unique_ptr<chd_file> chd = chd_open(log.sink, name.c_str());
    if (chd == nullptr) {
        p.log = log.text();
        return p;
    }
    chd->read_ahead_threads = threads;
    chd_check_begin(chd.get());
    for (uint32_t h = 0; h < chd->map.size(); h++) {
        const uint8_t *data = chd_hunk(log.sink, chd.get(), h);
        if (data == nullptr) break;
        p.bytes.insert(p.bytes.end(), data, data + chd->hunk_bytes);
    }
    p.ended = chd_check_end(log.sink, chd.get());
    p.log = log.text();
    return p;
}

}  // namespace

// Threads decoding ahead of the reader hand over the hunks the reader would
// have decoded, in order, over a file whose hunks use several codecs and
// outnumber the ring; a damaged hunk in the middle fails the read with its
// number as before, and a reader that stops early is not kept waiting.
TEST(chd_read_ahead, yields_the_serial_hunks_and_the_same_damage) {
    SKIP_WITHOUT_CHDMAN();
    temp_dir dir;
    constexpr uint32_t SECTORS = 1200;  // 150 hunks of 8 frames
    std::vector<uint8_t> bin(size_t{SECTORS} * CD_SECTOR_SIZE);
    uint32_t noise = 12345;
    for (uint32_t k = 0; k < SECTORS; k++) {
        uint8_t *sector = &bin[size_t{k} * CD_SECTOR_SIZE];
        if (k % 300 < 100) {  // Mode 1 data, for the LZMA and deflate codecs
            for (int i = 0; i < 2048; i++) sector[16 + i] = static_cast<uint8_t>(k + i / 64);
            mode1_sector_complete(sector, k + 150);
        } else if (k % 300 < 200) {  // a tone, for FLAC
            for (int i = 0; i < CD_SECTOR_SIZE / 2; i++) {
                const auto v = static_cast<int16_t>(8000 * std::sin((k * 1176 + i) * 0.03));
                sector[2 * i] = static_cast<uint8_t>(v), sector[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
        } else {  // noise, kept raw
            for (int i = 0; i < CD_SECTOR_SIZE; i++) {
                noise = noise * 1103515245 + 12345;
                sector[i] = static_cast<uint8_t>(noise >> 16);
            }
        }
    }
    write_file(dir.path("t.bin"), bin);
    write_text(dir.path("t.cue"), "FILE t.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n");
    const std::string good = dir.path("good.chd");
    ASSERT_TRUE(run_chdman("createcd -i " + quoted(dir.path("t.cue")) + " -o " + quoted(good) +
                               " -c cdlz,cdzl,cdfl",
                           "read_ahead", {good}));

    recording_log open_log;
    std::unique_ptr<chd_file> opened = chd_open(open_log.sink, good.c_str());
    ASSERT_NE(opened, nullptr) << open_log.text();
    std::vector<int> kinds(CHD_STORED_PARENT + 1);
    for (const chd_hunk_entry &e : opened->map) kinds[e.kind]++;
    ASSERT_GE(std::count_if(kinds.begin(), kinds.begin() + CHD_STORED_RAW, [](int n) { return n > 0; }), 2)
        << "the file should mix codecs";
    ASSERT_GT(opened->map.size(), 100u);

    const hunk_pass serial = read_all_hunks(good, 0);
    ASSERT_TRUE(serial.ended) << serial.log;
    ASSERT_EQ(serial.bytes.size(), opened->map.size() * opened->hunk_bytes);
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        const hunk_pass ahead = read_all_hunks(good, threads);
        EXPECT_TRUE(ahead.ended) << ahead.log;
        EXPECT_TRUE(ahead.bytes == serial.bytes) << "the hunks differ";
    }

    // A compressed hunk past the middle, damaged.
    size_t middle = opened->map.size() / 2;
    while (middle < opened->map.size() && opened->map[middle].kind >= CHD_STORED_RAW) middle++;
    ASSERT_LT(middle, opened->map.size());
    std::vector<uint8_t> bytes = file_bytes(good);
    bytes.at(opened->map[middle].offset + opened->map[middle].length / 2) ^= 0x5A;
    const std::string damaged = dir.path("damaged.chd");
    write_file(damaged, bytes);
    const hunk_pass damaged_serial = read_all_hunks(damaged, 0);
    EXPECT_NE(damaged_serial.log.find("damaged.chd: hunk " + std::to_string(middle) + " "),
              std::string::npos)
        << damaged_serial.log;
    EXPECT_EQ(damaged_serial.bytes.size(), middle * opened->hunk_bytes);
    const hunk_pass damaged_ahead = read_all_hunks(damaged, 2);
    EXPECT_FALSE(damaged_ahead.ended);
    EXPECT_EQ(damaged_ahead.log, damaged_serial.log);
    EXPECT_TRUE(damaged_ahead.bytes == damaged_serial.bytes) << "the hunks before the damage differ";

    // Stopped early, once with the ring full and once at once: freeing the
    // file stops the threads.
    for (uint32_t read : {3u, 0u}) {
        recording_log log;
        std::unique_ptr<chd_file> chd = chd_open(log.sink, good.c_str());
        ASSERT_NE(chd, nullptr) << log.text();
        chd_check_begin(chd.get());
        for (uint32_t h = 0; h < read; h++) ASSERT_NE(chd_hunk(log.sink, chd.get(), h), nullptr);
        if (read > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        chd.reset();
    }
}
