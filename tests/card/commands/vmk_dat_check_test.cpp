// `vmk dat check` against a DAT made here from the dump files of a generated
// disc, hashed by the system's tools: the disc in every form we read and
// stored on a card is verified; damaged, incomplete and unknown discs, bad
// DATs and unreadable inputs are told apart, with status 1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/card/cdimage/dump_disc.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/cdimage/tool_digest.h"
#include "tests/card/layout/shell.h"
#include "tests/card/write/adding_fixture.h"

namespace {

const char *const TITLE = "Generated Disc (Japan)";

std::string vmk(const std::string &args, int *status) {
    std::string out = shell_output(std::string(VMK_BINARY) + " " + args + " 2>&1; echo \"#$?\"");
    size_t mark = out.rfind('#');
    *status = std::stoi(out.substr(mark + 1));
    return out.substr(0, mark);
}

std::string sh_quoted(const std::string &s) { return "'" + s + "'"; }

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// The disc's game as the dump groups list it, and a HuCard.
std::string dat_xml(const std::string &folder, const dump_disc &d, const std::string &rom) {
    const tool_digest r = tool_digest_of(rom);
    return "<?xml version=\"1.0\"?>\n<datafile>\n<header><name>test</name></header>\n" +
           dump_disc_dat_game(folder, d, TITLE) + "<game name=\"Card Game\"><rom name=\"Card Game.pce\" size=\"" +
           std::to_string(r.size) + "\" crc=\"" + r.crc + "\" sha1=\"" + r.sha1 + "\"/></game>\n</datafile>\n";
}

struct dat_fixture {
    temp_dir dir;
    dump_disc disc = dump_disc_mixed();
    std::string rom = dir.path("card game.pce"), dat = dir.path("discs.dat");
    dat_fixture() {
        write_file(rom, make_rom(0x4000, 9));
        run_shell("mkdir " + sh_quoted(dir.path("dumps")));
        write_text(dat, dat_xml(dir.path("dumps"), disc, rom));
    }
    // A folder of its own for one form of the disc.
    std::string folder(const std::string &name) {
        run_shell("mkdir -p " + sh_quoted(dir.path(name)));
        return dir.path(name);
    }
    std::string check(const std::string &inputs, int *status, const std::string &options = "") {
        return vmk("dat check " + inputs + " --dat " + sh_quoted(dat) + options, status);
    }
};

void expect_verified(const std::string &out, size_t tracks) {
    EXPECT_TRUE(has(out, std::string(": ") + TITLE + "\n")) << out;
    for (size_t k = 1; k <= tracks; k++) {
        char line[32];
        snprintf(line, sizeof line, "  track %02zu: match\n", k);
        EXPECT_TRUE(has(out, line)) << line << out;
    }
    EXPECT_TRUE(has(out, "  disc: verified\n")) << out;
}

TEST(vmk_dat_check, TheDiscInEveryFormIsVerified) {
    dat_fixture f;
    const size_t n = f.disc.tracks.size();
    struct {
        const char *context;
        std::string input;
    } cases[] = {
        {"a file per track", write_dump_disc(f.folder("per track"), f.disc, LAYOUT_FILE_PER_TRACK)},
        {"one file", write_dump_disc(f.folder("one"), f.disc, LAYOUT_ONE_FILE)},
        {"pregaps in the previous file", write_dump_disc(f.folder("appended"), f.disc, LAYOUT_APPENDED_GAPS)},
        {"big-endian audio", write_dump_disc(f.folder("motorola"), f.disc, LAYOUT_MOTOROLA_AUDIO)},
        {"image set", write_dump_disc_set(f.folder("set"), f.disc) + ".ccd"},
        {"compressed", f.folder("chd") + "/disc.chd"},
    };
    ASSERT_EQ(run_shell("chdman createcd -i " + sh_quoted(f.dir.path("per track/disc.cue")) + " -o " +
                        sh_quoted(cases[5].input) + " >/dev/null 2>&1"),
              0);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        int status = -1;
        const std::string out = f.check(sh_quoted(c.input), &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_TRUE(has(out, c.input + ": ")) << out;
        expect_verified(out, n);
    }

    // Stored on a card: added from the one-file sheet, checked as '#2' and
    // with "all" beside the HuCard.
    const std::string card = f.dir.path("card.img");
    int status = -1;
    ASSERT_EQ(run_shell("truncate -s 256M " + sh_quoted(card)), 0);
    vmk("card format " + sh_quoted(card), &status);
    ASSERT_EQ(status, 0);
    vmk("card add " + sh_quoted(card) + " " + sh_quoted(f.rom), &status);
    ASSERT_EQ(status, 0);
    vmk("card add " + sh_quoted(card) + " " + sh_quoted(cases[1].input), &status);
    ASSERT_EQ(status, 0);
    std::string out = f.check("'#2'", &status, " --card " + sh_quoted(card));
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "#2: ")) << out;
    expect_verified(out, n);
    out = f.check("all", &status, " --card " + sh_quoted(card));
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "#1: verified: Card Game\n")) << out;
    EXPECT_FALSE(has(out, "#0")) << "the index disc is no game: " << out;
    expect_verified(out, n);
}

// Bytes of the per-track files changed or a file left out of the sheet.
TEST(vmk_dat_check, DamagedAndIncompleteDiscsArePartly) {
    dat_fixture f;
    const auto flip = [&](const std::string &folder, size_t track, uint64_t at) {
        const std::string file = folder + "/" + dump_disc_track_name(track);
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        io.seekg(static_cast<std::streamoff>(at));
        const char c = static_cast<char>(io.get() ^ 0x5A);
        io.seekp(static_cast<std::streamoff>(at));
        io.put(c);
    };
    struct {
        const char *context;
        std::vector<size_t> changed;  // tracks (from 0) with one byte changed
        bool drop_last;
        std::vector<const char *> lines;
    } cases[] = {
        {"one byte of an audio track", {1}, false,
         {"  track 01: match\n", "  track 02: mismatch: CRC32:", "  track 03: match\n", "  track 05: match\n",
          "  disc: partly (tracks 01, 03, 04, 05 match; 02 differ; 1 DAT track missing)\n"}},
        {"the last track missing", {}, true,
         {"  track 04: match\n", "  disc: partly (tracks 01, 02, 03, 04 match; 1 DAT track missing)\n"}},
        {"every audio track shifted", {1, 2, 3}, false,
         {"  disc: partly (tracks 01, 05 match; 02, 03, 04 differ; 3 DAT tracks missing); the data "
          "tracks match and every audio track differs: the audio was probably ripped with another "
          "drive offset\n"}},
    };
    int k = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        const std::string folder = f.folder("case " + std::to_string(k++));
        std::string sheet = write_dump_disc(folder, f.disc, LAYOUT_FILE_PER_TRACK);
        for (size_t t : c.changed) flip(folder, t, 1000 + t);
        if (c.drop_last) {
            std::ifstream in(sheet);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            write_text(sheet, text.substr(0, text.rfind("FILE ")));
        }
        int status = -1;
        const std::string out = f.check(sh_quoted(sheet), &status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_TRUE(has(out, std::string(": ") + TITLE + "\n")) << out;
        for (const char *line : c.lines) EXPECT_TRUE(has(out, line)) << line << "\n" << out;
    }
}

TEST(vmk_dat_check, JsonSaysTheSameInObjects) {
    dat_fixture f;
    const std::string sheet = write_dump_disc(f.folder("disc"), f.disc, LAYOUT_ONE_FILE);
    int status = -1;
    const std::string out = f.check(sh_quoted(sheet) + " " + sh_quoted(f.rom), &status, " --json");
    EXPECT_EQ(status, 0) << out;
    const std::string file = f.dir.path("checked.json");
    write_text(file, out);
    // Parsed by Python: one object a line, the disc's tracks inside it.
    const std::string said = shell_output(
        "python3 -c 'import json,sys\nfor l in open(sys.argv[1]):\n o=json.loads(l)\n "
        "print(o[\"kind\"], o[\"result\"], o[\"title\"], len(o.get(\"tracks\", [])), "
        "[t[\"result\"] for t in o.get(\"tracks\", [])][:1])' " + sh_quoted(file));
    EXPECT_EQ(said, std::string("disc verified ") + TITLE + " 5 ['match']\nrom verified Card Game 0 []\n");
}

TEST(vmk_dat_check, BadDatsAndUnreadableInputsAreRefused) {
    dat_fixture f;
    const std::string sheet = write_dump_disc(f.folder("disc"), f.disc, LAYOUT_ONE_FILE);
    const std::string hucard_only =
        "<datafile><game name=\"x\"><rom name=\"x.pce\" size=\"8192\" crc=\"12345678\"/></game></datafile>";
    struct {
        const char *context;
        std::string dat_text;  // empty: the fixture's DAT
        std::string input;
        std::string message;
    } cases[] = {
        {"malformed", "<datafile><game name=\"x\"><rom", sh_quoted(sheet), "not a well-formed XML file (line 1"},
        {"no track entries", hucard_only, sh_quoted(sheet),
         "lists no CD track entries (.bin files); a HuCard DAT cannot check discs"},
        {"another kind of XML", "<svg><game name=\"x\"/></svg>", sh_quoted(sheet),
         "not a DAT file: its root element is <svg>, not <datafile>"},
        {"no such input", "", sh_quoted(f.dir.path("nothing.cue")), "nothing.cue"},
        {"a sheet whose file is gone", "", sh_quoted(f.dir.path("gone.cue")), "gone.bin"},
    };
    write_text(f.dir.path("gone.cue"), "FILE \"gone.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        const std::string dat = c.dat_text.empty() ? f.dat : f.dir.path("bad.dat");
        if (!c.dat_text.empty()) write_text(dat, c.dat_text);
        int status = -1;
        const std::string out = vmk("dat check " + c.input + " --dat " + sh_quoted(dat), &status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_TRUE(has(out, c.message)) << out;
    }
}

}  // namespace

namespace {

// The card's images as `card list --json [--dat]` gives them, parsed by
// Python: "number name dat" a line.
std::string listed(const std::string &card, const std::string &options) {
    const std::string file = card + ".json";
    int status = -1;
    write_text(file, vmk("card list " + sh_quoted(card) + " --json" + options, &status));
    EXPECT_EQ(status, 0);
    return shell_output("python3 -c 'import json,sys\nfor l in open(sys.argv[1]):\n o=json.loads(l)\n "
                        "print(o[\"number\"], o[\"name\"], o.get(\"dat\", \"-\")) if \"image\" in o else None' " +
                        sh_quoted(file));
}

// Added with the DAT, named by it (a title longer than a name's room is
// cut on whole characters), then listed with the DAT's column beside an
// unknown disc and the HuCard.
TEST(vmk_dat_check, AddNamesByTheDatAndListShowsTheColumn) {
    dat_fixture f;
    const std::string sheet = write_dump_disc(f.folder("disc"), f.disc, LAYOUT_ONE_FILE);
    dump_disc other = f.disc;
    other.seed = 8;
    const std::string unknown = write_dump_disc(f.folder("other"), other, LAYOUT_ONE_FILE);
    std::string long_title;
    for (int i = 0; i < 200; i++) long_title += "\xe3\x81\x82";  // 600 bytes, three a character
    const std::string long_dat = f.dir.path("long.dat");
    std::ifstream in(f.dat);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find(TITLE), strlen(TITLE), long_title);
    write_text(long_dat, text);

    const std::string card = f.dir.path("card.img");
    int status = -1;
    ASSERT_EQ(run_shell("truncate -s 256M " + sh_quoted(card)), 0);
    vmk("card format " + sh_quoted(card), &status);
    ASSERT_EQ(status, 0);
    std::string out = vmk("card add " + sh_quoted(card) + " " + sh_quoted(f.rom) + " --dat " + sh_quoted(f.dat), &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "DAT: verified: Card Game\n")) << out;
    out = vmk("card add_withname " + sh_quoted(card) + " " + sh_quoted(sheet) + " given --dat " +
                  sh_quoted(f.dat) + " --name-by-dat", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, std::string("DAT: verified: ") + TITLE + "\n")) << out;
    out = vmk("card add_withname " + sh_quoted(card) + " " + sh_quoted(unknown) + " 'Unknown Disc' --dat " +
                  sh_quoted(f.dat) + " --name-by-dat", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "DAT: unknown\n")) << out;
    out = vmk("card add " + sh_quoted(card) + " " + sh_quoted(sheet) + " --dat " + sh_quoted(long_dat) +
                  " --name-by-dat", &status);
    EXPECT_EQ(status, 0) << out;
    vmk("card add " + sh_quoted(card) + " " + sh_quoted(sheet) + " --name-by-dat", &status);
    EXPECT_EQ(status, 1) << "--name-by-dat without a DAT";

    const std::string rom_name = f.rom;
    EXPECT_EQ(listed(card, " --dat " + sh_quoted(f.dat)),
              "00 IMAGE INDEX for 0-xx \n01 " + rom_name + " verified\n02 " + TITLE +
                  " verified\n03 Unknown Disc unknown\n04 " + long_title.substr(0, 510) + " verified\n");
    EXPECT_EQ(listed(card, ""), "00 IMAGE INDEX for 0-xx -\n01 " + rom_name + " -\n02 " + TITLE +
                                    " -\n03 Unknown Disc -\n04 " + long_title.substr(0, 510) + " -\n");
    out = vmk("card list " + sh_quoted(card) + " --dat " + sh_quoted(f.dat), &status);
    EXPECT_TRUE(has(out, "MiB  verified  02 D  " + std::string(TITLE) + "\n")) << out;
    EXPECT_TRUE(has(out, "MiB  unknown   03 D  Unknown Disc\n")) << out;
}

}  // namespace
