// CDs written as compressed hunk files: generated discs (one file per track,
// later tracks from their INDEX 00) written through the writer come back
// from our reader sector for sector, pass chdman's verify, and extract
// through chdman to what chdman extracts from its own file of the same
// sheet; a stop, a read error or a folder that cannot be written leaves no
// file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/chd_file.h"
#include "card/cdimage/chd_write.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/sector_ecc.h"
#include "core/status.h"
#include "tests/card/cdimage/chdman_run.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

enum track_kind { DATA, DATA_MODE2, AUDIO };

struct generated_track {
    track_kind kind;
    uint32_t pregap;   // INDEX 00 sectors at the head of the track's file
    uint32_t sectors;  // from INDEX 01 on
};

struct generated_disc {
    const char *context;
    std::vector<generated_track> tracks;
};

const generated_disc DISCS[] = {
    {"data then audio", {{DATA, 0, 300}, {AUDIO, 150, 400}}},
    {"audio, data, audio, data", {{AUDIO, 0, 200}, {DATA, 150, 301}, {AUDIO, 150, 250}, {DATA, 150, 333}}},
    {"pregaps of odd lengths, one track without, a Mode 2 track",
     {{DATA, 0, 77}, {AUDIO, 33, 91}, {AUDIO, 0, 45}, {DATA_MODE2, 2, 50}}},
    {"a single data track", {{DATA, 0, 503}}},
};

void write_bytes(const std::string &name, const std::vector<uint8_t> &bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::string msf(uint32_t frames) {
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u:%02u", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

// Sectors each codec has work on: Mode 1 sectors with correct sync and
// parity over runs or text, a sine tone in audio, noise in a few of both
// (kept raw), zeros now and then (the padding's case).
std::vector<uint8_t> track_bytes(const generated_track &t, uint32_t disc_first, uint32_t seed) {
    const uint32_t count = t.pregap + t.sectors;
    std::vector<uint8_t> bytes(size_t{count} * CD_SECTOR_SIZE);
    uint32_t noise = seed * 2654435761u + 1;
    for (uint32_t k = 0; k < count; k++) {
        uint8_t *s = &bytes[size_t{k} * CD_SECTOR_SIZE];
        // Hunks with much noise are where deflate beats LZMA.
        const bool random = t.kind == AUDIO ? k % 17 == 5 : k % 16 < 5, silent = k % 23 == 7;
        if (t.kind == AUDIO) {
            for (int i = 0; i < CD_SECTOR_SIZE / 2; i++) {
                int v = silent ? 0 : static_cast<int>(9000 * std::sin((k * 588 + i / 2) * (0.02 + seed * 0.001)));
                if (random) v = static_cast<int16_t>(noise = noise * 1103515245u + 12345);
                s[2 * i] = static_cast<uint8_t>(v);
                s[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
            continue;
        }
        static const char words[] = "the quick brown fox jumps over a lazy dog; SCENE 12 LOAD ";
        for (int i = 16; i < 2064; i++)
            s[i] = random ? static_cast<uint8_t>((noise = noise * 1103515245u + 12345) >> 16)
                   : silent ? 0
                   : k / 8 % 2 == 0 ? static_cast<uint8_t>(k + seed + i / 64)
                                    : static_cast<uint8_t>(words[(i + k * 7) % (sizeof words - 1)]);
        if (t.kind == DATA) {
            mode1_sector_complete(s, disc_first + k + CD_PREGAP_FRAMES);
        } else {
            sector_header(s, disc_first + k + CD_PREGAP_FRAMES, 2);
        }
    }
    return bytes;
}

// The disc's files and sheet in folder; returns the sheet's path.
std::string write_disc(const std::string &folder, const generated_disc &d) {
    std::string sheet;
    uint32_t at = 0;
    for (size_t n = 0; n < d.tracks.size(); n++) {
        const generated_track &t = d.tracks[n];
        const std::string file = "t" + std::to_string(n + 1) + ".bin";
        const char *mode = t.kind == AUDIO ? "AUDIO" : t.kind == DATA ? "MODE1/2352" : "MODE2/2352";
        sheet += "FILE \"" + file + "\" BINARY\n  TRACK " + (n < 9 ? "0" : "") + std::to_string(n + 1) +
                 " " + mode + "\n";
        if (t.pregap > 0) sheet += "    INDEX 00 00:00:00\n";
        sheet += "    INDEX 01 " + msf(t.pregap) + "\n";
        write_bytes(folder + "/" + file, track_bytes(t, at, static_cast<uint32_t>(n)));
        at += t.pregap + t.sectors;
    }
    write_text(folder + "/disc.cue", sheet);
    return folder + "/disc.cue";
}

std::vector<uint8_t> file_bytes(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bit k set when some hunk is stored as kind k (header codec k, raw, ...).
uint32_t stored_kinds(const std::string &chd) {
    recording_log log;
    std::unique_ptr<chd_file> opened = chd_open(log.sink, chd.c_str());
    EXPECT_NE(opened, nullptr) << log.text();
    uint32_t kinds = 0;
    if (opened != nullptr)
        for (const chd_hunk_entry &e : opened->map) kinds |= 1u << e.kind;
    return kinds;
}

// The sheet's disc written to chd through the writer.
int write_chd(recording_log &log, const std::string &sheet, const std::string &chd,
              const chd_write_options &o = {}) {
    image_input in{};
    if (image_input_read(log.sink, sheet.c_str(), &in) != 1) return -1;
    const int status = chd_write_disc(log.sink, chd.c_str(), *in.description, in.source, o);
    image_input_free(&in);
    return status;
}

}  // namespace

TEST(chd_write, discs_read_back_verify_and_extract_as_chdmans_own) {
    SKIP_WITHOUT_CHDMAN();
    uint32_t kinds = 0;
    for (const generated_disc &d : DISCS) {
        SCOPED_TRACE(d.context);
        const std::string key = "written" + std::to_string(&d - DISCS);
        temp_dir dir;
        const std::string sheet = write_disc(dir.path(""), d);
        const std::string chd = dir.path("ours.chd");
        recording_log log;
        ASSERT_EQ(write_chd(log, sheet, chd), VMK_OK) << log.text();
        EXPECT_EQ(log.ranges.size(), 1u);
        EXPECT_EQ(log.stepped, log.ranges.empty() ? 0 : log.ranges.back());
        expect_same_disc(read_whole_disc(chd), read_whole_disc(sheet));
        kinds |= stored_kinds(chd);
#ifndef _WIN32
        const std::string verdict = chdman_output("verify -i " + quoted(chd));
        EXPECT_NE(verdict.find("Raw SHA1 verification successful"), std::string::npos) << verdict;
        EXPECT_NE(verdict.find("Overall SHA1 verification successful"), std::string::npos) << verdict;
#endif
        // chdman's own file of the sheet, extracted beside ours under the
        // same names: a wrong pregap moves bytes and INDEX lines, audio in
        // the wrong order changes the samples.
        std::filesystem::create_directories(dir.path("theirs"));
        std::filesystem::create_directories(dir.path("ours"));
        const std::string theirs = dir.path("theirs.chd");
        ASSERT_TRUE(run_chdman("createcd -i " + quoted(sheet) + " -o " + quoted(theirs), key, {theirs}));
        for (const std::string &side : {std::string("theirs"), std::string("ours")})
            ASSERT_TRUE(run_chdman("extractcd -i " + quoted(dir.path(side + ".chd")) + " -o " +
                                       quoted(dir.path(side + "/x.cue")) + " -ob " +
                                       quoted(dir.path(side + "/x.bin")),
                                   key + side, {dir.path(side + "/x.cue"), dir.path(side + "/x.bin")}));
        const std::vector<uint8_t> cue = file_bytes(dir.path("ours/x.cue"));
        EXPECT_EQ(std::string(cue.begin(), cue.end()),
                  [&] { auto b = file_bytes(dir.path("theirs/x.cue")); return std::string(b.begin(), b.end()); }());
        EXPECT_TRUE(file_bytes(dir.path("ours/x.bin")) == file_bytes(dir.path("theirs/x.bin")))
            << "the extracted tracks differ";
    }
    // Every codec had hunks to win, so each one's form was checked above.
    for (int codec = 0; codec < 3; codec++) EXPECT_NE(kinds & 1u << codec, 0u) << "codec " << codec;
}

namespace {

// Passes reads through to the disc's source until the n-th, which asks to
// stop or fails.
struct interrupted_source : cd_source {
    cd_source *disc;
    int reads_before;
    bool fails;
    stop_request *stop;
    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) override {
        if (reads_before-- == 0) {
            if (fails) {
                log_write(log, "disc.bin: read error\n");
                return false;
            }
            stop_ask(stop);
        }
        return disc->read(log, first, count, t);
    }
};

std::vector<std::string> files_in(const std::string &folder) {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// zstd, which the installed chdman lacks, is checked through our reader.
TEST(chd_write, with_zstd_offered_the_disc_reads_back) {
    const generated_disc &d = DISCS[1];
    temp_dir dir;
    const std::string sheet = write_disc(dir.path(""), d), chd = dir.path("z.chd");
    recording_log log;
    chd_write_options o;
    o.zstd = true;
    ASSERT_EQ(write_chd(log, sheet, chd, o), VMK_OK) << log.text();
    expect_same_disc(read_whole_disc(chd), read_whole_disc(sheet));
    std::unique_ptr<chd_file> opened = chd_open(log.sink, chd.c_str());
    ASSERT_NE(opened, nullptr) << log.text();
    EXPECT_EQ(opened->codecs[3], chd_tag('c', 'd', 'z', 's'));
    EXPECT_NE(stored_kinds(chd) & 1u << 3, 0u) << "no hunk kept as zstd";
}

// The same disc whether compressed by the pool or by the writer alone.
TEST(chd_write, files_do_not_depend_on_the_threads) {
    temp_dir dir;
    const std::string sheet = write_disc(dir.path(""), DISCS[0]);
    std::vector<std::vector<uint8_t>> files;
    for (int threads : {0, 1, 2}) {
        recording_log log;
        chd_write_options o;
        o.threads = threads;
        const std::string chd = dir.path(std::to_string(threads) + ".chd");
        ASSERT_EQ(write_chd(log, sheet, chd, o), VMK_OK) << log.text();
        files.push_back(file_bytes(chd));
    }
    EXPECT_TRUE(files[0] == files[1] && files[1] == files[2]);
}

TEST(chd_write, a_stop_a_read_error_or_an_unwritable_folder_leave_no_file) {
    temp_dir dir;
    const std::string sheet = write_disc(dir.path(""), DISCS[1]);
    const std::vector<std::string> before = files_in(dir.dir);
    struct {
        const char *context;
        int reads_before;  // -1: none interrupted
        bool fails;
        std::string target;
        std::string message;
    } cases[] = {
        {"stopped midway", 60, false, dir.path("x.chd"), "stopped\n"},
        {"a read error midway", 60, true, dir.path("x.chd"), "disc.bin: read error\n"},
        {"a folder that is not there", -1, false, dir.path("none/x.chd"),
         dir.path("none/x.chd") + ": cannot be created"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.context);
        recording_log log;
        stop_request stop;
        log_attach_stop(log.sink, &stop);
        image_input in{};
        ASSERT_EQ(image_input_read(log.sink, sheet.c_str(), &in), 1) << log.text();
        interrupted_source source;
        source.sector_count = in.source->sector_count;
        source.name = in.source->name;
        source.disc = in.source;
        source.reads_before = k.reads_before;
        source.fails = k.fails;
        source.stop = &stop;
        EXPECT_EQ(chd_write_disc(log.sink, k.target.c_str(), *in.description, &source, {}), VMK_FAILED);
        image_input_free(&in);
        EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        if (k.reads_before >= 0) {
            EXPECT_GT(log.stepped, 0) << "stopped before any hunk was written";
            EXPECT_LT(log.stepped, log.ranges.back());
        }
        EXPECT_EQ(files_in(dir.dir), before);
    }
}
