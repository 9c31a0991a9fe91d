// Games added from .zip and .7z files made with the zip and 7z tools: the
// card equals the one added from the unpacked files, and bad archives
// (damaged, encrypted, names leaving the archive, bombs, several games) are
// refused with the card left as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/write/adding_fixture.h"

namespace {

bool run_shell(const std::string &command) { return std::system(command.c_str()) == 0; }

std::string quoted(const std::string &s) { return "'" + s + "'"; }

std::vector<uint8_t> read_all(const std::string &name) {
    std::ifstream f(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A folder with a ROM, an image set and a cue sheet with a file per track
// under cue/, the inputs every archive here is made of.
struct archive_inputs {
    temp_dir dir;
    archive_inputs() {
        write_file(dir.path("game.pce"), make_rom(16384, 7));
        make_cd(dir.path("disc"), 200, 150, 3);
        std::filesystem::create_directory(dir.path("cue"));
        write_cue_disc(dir.path("cue/"), cue_disc_cases()[1]);
    }
    // tool "zip" or "7z", extra its options; members relative to the folder.
    std::string pack(const std::string &name, const std::string &tool, const std::string &members,
                     const std::string &extra = "") const {
        const std::string command =
            tool == "zip"
                ? "cd " + quoted(dir.dir) + " && zip -q -r " + extra + " " + name + " " + members
                : "cd " + quoted(dir.dir) + " && 7z a -bd -y " + extra + " " + name + " " +
                      members + " >/dev/null";
        EXPECT_TRUE(run_shell(command)) << command;
        return dir.path(name);
    }
    // Python's zipfile keeps member names as given, which the tools refuse
    // to write: names is "stored name=file in the folder" pairs.
    std::string python_zip(const std::string &name, const std::vector<std::string> &names) const {
        std::string script =
            "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n";
        for (const std::string &n : names) {
            size_t eq = n.find('=');
            script += "z.writestr(zipfile.ZipInfo('" + n.substr(0, eq) + "'),open('" +
                      dir.path(n.substr(eq + 1)) + "','rb').read(),zipfile.ZIP_DEFLATED)\n";
        }
        script += "z.close()\n";
        write_file(dir.path("make.py"), std::vector<uint8_t>(script.begin(), script.end()));
        EXPECT_TRUE(
            run_shell("python3 " + quoted(dir.path("make.py")) + " " + quoted(dir.path(name))));
        return dir.path(name);
    }
};

// The file with change made to its bytes; returns its name.
std::string changed(const std::string &file, void (*change)(std::vector<uint8_t> &)) {
    std::vector<uint8_t> b = read_all(file);
    change(b);
    write_file(file, b);
    return file;
}

bool tools_present() {
    return run_shell("zip -v >/dev/null 2>&1 && 7z >/dev/null 2>&1 && python3 -V >/dev/null 2>&1");
}

// The uncompressed size a zip declares for its first member, in the local
// header (offset 22) and the central directory (offset 24).
void declare_size(const std::string &zip, uint32_t size) {
    std::vector<uint8_t> b = read_all(zip);
    auto put = [&](size_t at) {
        for (int k = 0; k < 4; k++) b[at + k] = static_cast<uint8_t>(size >> (8 * k));
    };
    put(22);
    for (size_t i = 0; i + 4 < b.size(); i++)
        if (b[i] == 'P' && b[i + 1] == 'K' && b[i + 2] == 1 && b[i + 3] == 2) put(i + 24);
    write_file(zip, b);
}

}  // namespace

TEST(archive_add, the_card_equals_the_one_added_from_the_unpacked_files) {
    if (!tools_present()) GTEST_SKIP() << "zip, 7z or python3 missing";
    archive_inputs in;
    const std::string all = "game.pce disc.img disc.sub disc.ccd cue";
    const struct {
        const char *context;
        const char *tool;
        std::string members;
        std::string inner;     // after "archive:"; empty for none
        std::string unpacked;  // the same game from the folder
    } cases[] = {
        {"zip: one ROM", "zip", "game.pce", "", "game.pce"},
        {"7z: one ROM", "7z", "game.pce", "", "game.pce"},
        {"zip: a cue sheet and its files in a folder", "zip", "cue", "", "cue/disc.cue"},
        {"7z: a cue sheet and its files in a folder", "7z", "cue", "", "cue/disc.cue"},
        {"zip: an image set", "zip", "disc.img disc.sub disc.ccd", "", "disc"},
        {"7z: an image set (solid: the second stream inflates the first again)", "7z",
         "disc.ccd disc.img disc.sub", "", "disc"},
        {"zip: several games, the sheet named", "zip", all, "cue/disc.cue", "cue/disc.cue"},
        {"7z: several games, the ROM named", "7z", all, "game.pce", "game.pce"},
        {"zip: several games, the set named by its description", "zip", all, "disc.ccd", "disc"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        const std::string archive =
            in.pack("a" + std::to_string(n++) + (c.tool == std::string("zip") ? ".zip" : ".7z"),
                    c.tool, c.members);
        const std::string argument = c.inner.empty() ? archive : archive + ":" + c.inner;
        const std::string unpacked = in.dir.path(c.unpacked);
        memory_card from_archive{TEST_CARD_SECTORS}, from_files{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(from_archive.drive()));
        ASSERT_TRUE(format_card(from_files.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, from_archive.drive(), "add_withname", {argument, "game"}), 0)
            << log.text();
        ASSERT_EQ(run_card(log, from_files.drive(), "add_withname", {unpacked, "game"}), 0)
            << log.text();
        std::vector<uint8_t> a = card_bytes(from_archive);
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == card_bytes(from_files)) << "the cards differ";
        // A second add reads the archive from its start again, and an
        // overwrite checks the whole member before it writes.
        ASSERT_EQ(run_card(log, from_archive.drive(), "add_withname", {argument, "again"}), 0)
            << log.text();
        ASSERT_EQ(run_card(log, from_files.drive(), "add_withname", {unpacked, "again"}), 0)
            << log.text();
        ASSERT_EQ(run_card(log, from_archive.drive(), "overwrite", {argument, "1", "game"}), 0)
            << log.text();
        ASSERT_EQ(run_card(log, from_files.drive(), "overwrite", {unpacked, "1", "game"}), 0)
            << log.text();
        EXPECT_TRUE(card_bytes(from_archive) == card_bytes(from_files)) << "the cards differ";
        // The CRC listing reads the same sectors.
        recording_log listed_archive, listed_files;
        EXPECT_EQ(run_card(listed_archive, from_archive.drive(), "mmchash", {argument}), 0)
            << listed_archive.text();
        EXPECT_EQ(run_card(listed_files, from_files.drive(), "mmchash", {unpacked}), 0);
        EXPECT_EQ(listed_archive.text(), listed_files.text());
    }
}

TEST(archive_add, bad_archives_are_refused_with_the_card_unchanged) {
    if (!tools_present()) GTEST_SKIP() << "zip, 7z or python3 missing";
    archive_inputs in;
    write_file(in.dir.path("zeros"), std::vector<uint8_t>(1 << 20, 0));
    const struct {
        const char *context;
        std::string (*make)(const archive_inputs &);
        std::string inner;
        std::vector<std::string> words;  // the message names these
    } cases[] = {
        {"several games, none named: the list",
         [](const archive_inputs &i) {
             return i.pack("s.zip", "zip", "game.pce disc.img disc.sub disc.ccd cue");
         },
         "",
         {"several games", "game.pce", "disc.ccd", "cue/disc.cue"}},
        {"several games in a 7z, none named",
         [](const archive_inputs &i) { return i.pack("s.7z", "7z", "game.pce cue"); },
         "",
         {"several games", "game.pce", "cue/disc.cue"}},
        {"a name that is not inside",
         [](const archive_inputs &i) { return i.pack("n.zip", "zip", "game.pce cue"); },
         "other.cue",
         {"no game named other.cue", "game.pce", "cue/disc.cue"}},
        {"no game at all: the files",
         [](const archive_inputs &i) { return i.pack("z.zip", "zip", "disc.ccd"); },
         "",
         {"holds no game", "disc.ccd"}},
        {"not an archive",
         [](const archive_inputs &i) {
             write_file(i.dir.path("fake.zip"), make_rom(8192, 1));
             return i.dir.path("fake.zip");
         },
         "",
         {"fake.zip", "not a readable archive"}},
        {"a damaged member",
         [](const archive_inputs &i) {
             return changed(i.pack("d.zip", "zip", "game.pce", "-0"),
                            [](std::vector<uint8_t> &b) { b[b.size() / 2] ^= 0xFF; });
         },
         "",
         {"d.zip:game.pce"}},
        {"a zip cut short inside its member",
         [](const archive_inputs &i) {
             return changed(i.pack("cut.zip", "zip", "game.pce", "-0"),
                            [](std::vector<uint8_t> &b) { b.resize(b.size() / 2); });
         },
         "",
         {"cut.zip"}},
        {"a 7z cut short",
         [](const archive_inputs &i) {
             return changed(i.pack("cut.7z", "7z", "game.pce"),
                            [](std::vector<uint8_t> &b) { b.resize(b.size() - 40); });
         },
         "",
         {"cut.7z"}},
        {"an encrypted zip",
         [](const archive_inputs &i) { return i.pack("e.zip", "zip", "game.pce", "-P secret"); },
         "",
         {"encrypted"}},
        {"an encrypted 7z",
         [](const archive_inputs &i) { return i.pack("e.7z", "7z", "game.pce", "-psecret"); },
         "",
         {"encrypted"}},
        {"a name climbing out",
         [](const archive_inputs &i) { return i.python_zip("t.zip", {"../game.pce=game.pce"}); },
         "",
         {"../game.pce", "outside the archive"}},
        {"a name deep inside climbing out",
         [](const archive_inputs &i) {
             return i.python_zip("t2.zip", {"a/b/../../../game.pce=game.pce"});
         },
         "",
         {"outside the archive"}},
        {"an absolute name",
         [](const archive_inputs &i) {
             return i.python_zip("abs.zip", {"/tmp/game.pce=game.pce"});
         },
         "",
         {"/tmp/game.pce", "outside the archive"}},
        {"a member declaring more than a disc holds",
         [](const archive_inputs &i) {
             std::string zip = i.python_zip("bomb.zip", {"game.pce=game.pce"});
             declare_size(zip, 0x7FFFFFFF);
             return zip;
         },
         "",
         {"bomb.zip", "declares more bytes than any disc holds"}},
        {"a member expanding beyond what it declares",
         [](const archive_inputs &i) {
             std::string zip = i.python_zip("grow.zip", {"game.pce=zeros"});
             declare_size(zip, 8192);
             return zip;
         },
         "",
         {"grow.zip:game.pce"}},
        {"a sheet whose file is missing from the archive",
         [](const archive_inputs &i) { return i.pack("m.zip", "zip", "cue/disc.cue cue/t1.bin"); },
         "",
         {"not in the archive"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        const std::string archive = c.make(in);
        const std::string argument = c.inner.empty() ? archive : archive + ":" + c.inner;
        memory_card card{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(card.drive()));
        recording_log first;
        ASSERT_EQ(run_card(first, card.drive(), "add_withname", {in.dir.path("game.pce"), "keep"}),
                  0);
        const std::vector<uint8_t> before = card_bytes(card);
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), "add_withname", {argument, "game"}), 1);
        for (const std::string &w : c.words)
            EXPECT_NE(log.text().find(w), std::string::npos) << w << " not in: " << log.text();
        EXPECT_TRUE(card_bytes(card) == before) << "the card changed";
    }
}

// A damaged disc is found only while its sectors are written: the area is
// spent, but the card lists what it listed before.
TEST(archive_add, a_disc_damaged_midway_is_not_listed) {
    if (!tools_present()) GTEST_SKIP() << "zip, 7z or python3 missing";
    archive_inputs in;
    // Inside the stored image, past its first sectors.
    const std::string zip = changed(in.pack("d.zip", "zip", "disc.ccd disc.sub disc.img", "-0"),
                                    [](std::vector<uint8_t> &b) { b[b.size() - 200000] ^= 0xFF; });
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add_withname", {in.dir.path("game.pce"), "keep"}), 0);
    EXPECT_EQ(run_card(log, card.drive(), "add_withname", {zip, "game"}), 1);
    EXPECT_NE(log.text().find("d.zip:disc.img"), std::string::npos) << log.text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->disc_amount, 2u);  // the index disc and the ROM
}
