// Discs added from compressed hunk files made by chdman from generated cue
// sheets: every codec yields the sheet's sectors, subchannel and TOC, the
// card equals the one added from the sheet, and damaged files are refused
// without touching the card.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "card/cdimage/chd_file.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/sector_ecc.h"
#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/write/adding_fixture.h"

namespace {

// chdman is a Linux program. Under wine the Windows build's tests take the
// files a Linux run of the same tests made (the generated inputs are the same
// on both systems) from the folder VMK_CHD_FIXTURES names; a Linux run with
// that variable set leaves a copy of every file it makes there. `key` names
// one call's files among the others; `outputs` are the paths chdman writes.
const char *chd_fixtures() { return std::getenv("VMK_CHD_FIXTURES"); }

bool run_chdman(const std::string &arguments, const std::string &key,
                const std::vector<std::string> &outputs) {
    namespace fs = std::filesystem;
    const char *fixtures = chd_fixtures();
    auto kept = [&](const std::string &output) {
        return fs::path(fixtures) / (key + "-" + fs::path(output).filename().string());
    };
    std::error_code ec;
#ifdef _WIN32
    static_cast<void>(arguments);
    for (const std::string &output : outputs)
        if (fixtures == nullptr ||
            !fs::copy_file(kept(output), output, fs::copy_options::overwrite_existing, ec)) {
            ADD_FAILURE() << "no chdman file " << key << " in VMK_CHD_FIXTURES";
            return false;
        }
    return true;
#else
    if (std::system(("chdman " + arguments + " >/dev/null 2>&1").c_str()) != 0) return false;
    if (fixtures != nullptr) {
        fs::create_directories(fixtures, ec);
        for (const std::string &output : outputs)
            if (!fs::copy_file(output, kept(output), fs::copy_options::overwrite_existing, ec))
                return false;
    }
    return true;
#endif
}

// A Windows run without a Linux run's files skips what needs chdman.
#ifdef _WIN32
#define SKIP_WITHOUT_CHDMAN()                                                          \
    if (chd_fixtures() == nullptr)                                                     \
    GTEST_SKIP() << "chdman's files from a Linux run: set VMK_CHD_FIXTURES (tools/windows/test does)"
#else
#define SKIP_WITHOUT_CHDMAN() static_cast<void>(0)
#endif

std::string quoted(const std::string &s) { return "'" + s + "'"; }

std::vector<uint8_t> file_bytes(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct disc_read {
    std::vector<uint8_t> main, sub;
    std::vector<toc_entry> toc;
};

// Everything a source yields: sectors, subchannel, TOC.
disc_read read_disc(const std::string &name) {
    recording_log log;
    image_input in{};
    disc_read d;
    EXPECT_EQ(image_input_read(log.sink, name.c_str(), &in), 1) << log.text();
    if (in.source == nullptr) return d;
    d.main.resize(size_t{in.sector_count} * CD_SECTOR_SIZE);
    d.sub.resize(size_t{in.sector_count} * SUBCHANNEL_BLOCK_SIZE);
    EXPECT_TRUE(in.source->read(log.sink, 0, in.sector_count,
                                cd_sector_target{d.main.data(), CD_SECTOR_SIZE, d.sub.data(),
                                                 SUBCHANNEL_BLOCK_SIZE}))
        << log.text();
    d.toc.assign(in.description->entries, in.description->entries + in.description->tocentries);
    image_input_free(&in);
    return d;
}

void expect_same_disc(const disc_read &a, const disc_read &b) {
    EXPECT_EQ(a.main.size(), b.main.size());
    EXPECT_TRUE(a.main == b.main) << "sectors differ";
    EXPECT_TRUE(a.sub == b.sub) << "subchannel differs";
    ASSERT_EQ(a.toc.size(), b.toc.size());
    for (size_t i = 0; i < a.toc.size(); i++)
        EXPECT_EQ(memcmp(&a.toc[i], &b.toc[i], sizeof(toc_entry)), 0) << "TOC entry " << i;
}

std::vector<uint8_t> card_bytes(const memory_card &card) {
    auto c = open_block(card.drive());
    if (c == nullptr) return {};
    uint64_t length = c->entries[1].offset + c->entries[1].length + 64;
    return card.read(c->block, static_cast<uint32_t>(length));
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
        const disc_read from_sheet = read_disc(kept);
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
            expect_same_disc(read_disc(chd), from_sheet);
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
        expect_same_disc(read_disc(chd), read_disc(dir.path("out.cue")));
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
}
