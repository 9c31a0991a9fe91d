// `cmake --install` into a staging folder, then the installed programs run
// from there: the version, the help, the window finding its files in
// share/vellumark, the desktop files passing their validators, the manual
// pages rendering without warnings, the licence in the package's copyright.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "cli/command_help.h"
#include "cli/daily_commands.h"
#include "device/device_dispatch.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Standard output and standard error together.
command_result run_both(const std::string &command_line) {
    return run_command(command_line + " 2>&1");
}

bool have(const char *program) {
    return run_command(std::string("command -v ") + program + " >/dev/null").status == 0;
}

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        staging = new temp_dir;
        install = run_both(std::string("\"" VMK_CMAKE "\" --install \"" VMK_BUILD_DIR "\" --prefix \"") +
                           staging->dir + "\"");
    }
    static void TearDownTestSuite() {
        delete staging;
        staging = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install.status, 0) << install.out; }
    static std::string at(const std::string &relative) { return staging->path(relative); }

    static temp_dir *staging;
    static command_result install;
};

temp_dir *Installed::staging = nullptr;
command_result Installed::install;

const char app_id[] = "org.vellumark.Vellumark";

}  // namespace

TEST_F(Installed, EveryFileLandsInItsGnuFolder) {
    std::vector<std::string> expected = {
        "bin/vmk",
        "share/man/man1/vmk.1.gz",
        "share/bash-completion/completions/vmk",
        "share/doc/vellumark/copyright",
        "share/doc/vellumark/changelog.gz",
        "share/doc/vellumark/README.Debian",
        "share/lintian/overrides/vellumark",
    };
    if (VMK_WITH_WINDOW) {
        for (const char *f : {"bin/vellumark", "share/man/man1/vellumark.1.gz",
                              "share/vellumark/icon.bin", "share/vellumark/notice_en.txt",
                              "share/vellumark/notice_ja.txt", "share/vellumark/list_help.txt",
                              "share/vellumark/task_help.txt"})
            expected.push_back(f);
        expected.push_back(std::string("share/applications/") + app_id + ".desktop");
        expected.push_back(std::string("share/metainfo/") + app_id + ".metainfo.xml");
    }
    for (const std::string &f : expected) EXPECT_TRUE(exists(at(f))) << f;
    // A development tool, installed only when asked for.
    EXPECT_FALSE(exists(at("bin/board-emulator")));
}

TEST_F(Installed, IconsAreDrawnAtTheSizeTheirFolderNames) {
    if (!VMK_WITH_WINDOW) GTEST_SKIP() << "built without the window";
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        std::string name = std::to_string(size) + "x" + std::to_string(size);
        std::string png = read_file(at("share/icons/hicolor/" + name + "/apps/vellumark.png"));
        ASSERT_GE(png.size(), 24u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
        auto be32 = [&](size_t at) {
            return (unsigned char)png[at] << 24 | (unsigned char)png[at + 1] << 16 |
                   (unsigned char)png[at + 2] << 8 | (unsigned char)png[at + 3];
        };
        EXPECT_EQ(be32(16), size) << name;
        EXPECT_EQ(be32(20), size) << name;
    }
}

TEST_F(Installed, VmkRunsFromTheStagingFolder) {
    command_result version = run_both("\"" + at("bin/vmk") + "\" --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vmk " VMK_VERSION "\n");
    command_result help = run_both("\"" + at("bin/vmk") + "\" help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("device commands:"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("card commands"), std::string::npos) << help.out;
}

TEST_F(Installed, DesktopEntryAndMetainfoPassTheirValidators) {
    if (!VMK_WITH_WINDOW) GTEST_SKIP() << "built without the window";
    if (!have("desktop-file-validate") || !have("appstreamcli"))
        GTEST_SKIP() << "desktop-file-utils or appstream not installed";
    command_result desktop = run_both("desktop-file-validate \"" +
                                      at(std::string("share/applications/") + app_id + ".desktop") + "\"");
    EXPECT_EQ(desktop.status, 0) << desktop.out;
    EXPECT_EQ(desktop.out, "");
    std::string metainfo = at(std::string("share/metainfo/") + app_id + ".metainfo.xml");
    command_result appstream = run_both("appstreamcli validate --no-net \"" + metainfo + "\"");
    EXPECT_EQ(appstream.status, 0) << appstream.out;
    // The release carries the build's version, not a copy typed by hand.
    EXPECT_NE(read_file(metainfo).find("version=\"" VMK_VERSION "\""), std::string::npos);
    EXPECT_NE(read_file(metainfo).find("<project_license>MIT</project_license>"), std::string::npos);
}

namespace {

// A machine-readable copyright file's paragraphs, each as its lines.
std::vector<std::vector<std::string>> paragraphs(const std::string &text) {
    std::vector<std::vector<std::string>> out(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            if (!out.back().empty()) out.emplace_back();
            continue;
        }
        out.back().push_back(line);
    }
    if (out.back().empty()) out.pop_back();
    return out;
}

// The licence names of a License field ("GPL-2+ or LGPL-2.1+", "A and B").
std::vector<std::string> licence_names(std::string expression) {
    std::vector<std::string> names;
    std::istringstream words(expression);
    std::string name;
    for (std::string word; words >> word;) {
        if (word == "or" || word == "and") {
            names.push_back(name);
            name.clear();
        } else {
            name += (name.empty() ? "" : " ") + word;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

}  // namespace

// The package says the program's licence: our stanza is MIT with the same
// words as the LICENSE file, and every licence a stanza names has its text
// in the file, as the copyright format requires of one not common to Debian.
TEST_F(Installed, TheCopyrightCarriesTheLicenceOfEveryStanza) {
    const std::string copyright = read_file(at("share/doc/vellumark/copyright"));
    const std::vector<std::vector<std::string>> paras = paragraphs(copyright);
    ASSERT_GE(paras.size(), 3u) << copyright;
    EXPECT_EQ(paras[0][0], "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/");
    const std::vector<std::string> ours = {
        "Files: *", "Copyright: 2026 The Vellumark control panel developers", "License: MIT"};
    EXPECT_EQ(paras[1], ours);

    std::set<std::string> with_text, named;
    std::string mit_text;
    for (const std::vector<std::string> &p : paras) {
        const bool files = p[0].rfind("Files:", 0) == 0;
        for (size_t k = 0; k < p.size(); k++) {
            if (p[k].rfind("License: ", 0) != 0) continue;
            const std::string expression = p[k].substr(9);
            const bool has_text = k + 1 < p.size() && (p[k + 1][0] == ' ' || p[k + 1][0] == '\t');
            if (has_text) with_text.insert(expression);
            if (files && !has_text)
                for (const std::string &name : licence_names(expression)) named.insert(name);
            if (!files && expression == "MIT")
                for (size_t j = k + 1; j < p.size(); j++)
                    mit_text += (p[j] == " ." ? "" : p[j].substr(1)) + "\n";
        }
    }
    for (const std::string &name : named) {
        // Debian keeps the GPL texts itself; the paragraph just points there.
        EXPECT_TRUE(with_text.count(name) != 0) << "no text for " << name;
    }
    EXPECT_TRUE(named.count("MIT") != 0);
    // The LICENSE file's words after its title and copyright line.
    std::string licence = read_file(VMK_SOURCE_DIR "/LICENSE");
    EXPECT_EQ(licence.substr(0, licence.find("Permission")),
              "MIT License\n\nCopyright (c) 2026 The Vellumark control panel developers\n\n");
    EXPECT_EQ(mit_text, licence.substr(licence.find("Permission")));
}

TEST_F(Installed, ManualPagesRenderWithoutWarnings) {
    if (!have("man")) GTEST_SKIP() << "man-db not installed";
    std::vector<std::string> pages = {"vmk.1.gz"};
    if (VMK_WITH_WINDOW) pages.push_back("vellumark.1.gz");
    for (const std::string &page : pages) {
        std::string path = at("share/man/man1/" + page);
        // Warnings go to standard error: the rendered page is dropped.
        command_result warnings =
            run_command("MANWIDTH=80 man --warnings -l \"" + path + "\" 2>&1 >/dev/null");
        EXPECT_EQ(warnings.status, 0) << page;
        EXPECT_EQ(warnings.out, "") << page;
        command_result text = run_command("MANWIDTH=80 man -l \"" + path + "\" | col -b");
        EXPECT_NE(text.out.find("NAME"), std::string::npos) << page;
    }
}

TEST_F(Installed, VmkManualListsEveryCommandOfTheTables) {
    std::string page = run_command("gzip -dc \"" + at("share/man/man1/vmk.1.gz") + "\"").out;
    for (const device_command *row = device_commands; row->name != nullptr; row++)
        EXPECT_NE(page.find(std::string("\\fBvmk device ") + row->name + "\\fR"), std::string::npos)
            << row->name;
    for (const card_command_info *row = card_command_list(); row->name != nullptr; row++)
        EXPECT_NE(page.find(std::string("\\fBvmk card ") + row->name + "\\fR"), std::string::npos)
            << row->name;
    // The commands outside the tables (ports, dat check, card list, ...) and
    // the synopsis lines, as roff writes their hyphens.
    for (const command_help *h = command_helps; h->name != nullptr; h++) {
        if (h->usage == nullptr) continue;
        std::string words = std::string("vmk ") + h->half + (h->half[0] != '\0' ? " " : "") + h->name;
        EXPECT_NE(page.find("\\fB" + words + "\\fR"), std::string::npos) << words;
    }
    for (int i = 0; vmk_usage_lines[i] != nullptr; i++) {
        std::string line;
        for (const char *c = vmk_usage_lines[i]; *c != '\0'; c++) line += *c == '-' ? std::string("\\-") : std::string(1, *c);
        EXPECT_NE(page.find(line), std::string::npos) << vmk_usage_lines[i];
    }
    EXPECT_NE(page.find("vellumark " VMK_VERSION), std::string::npos);
}

// Starts the window from a folder, waits for it to show, ends it; what it
// said on standard error, or why it did not show.
std::string start_window(const std::string &program, const std::string &work_dir) {
    std::string err = work_dir + "/stderr.txt";
    std::string script =
        "cd \"" + work_dir + "\" && { \"" + program + "\" 2>\"" + err + "\" & pid=$!; " +
        "timeout 60 xdotool search --sync --onlyvisible --name 'Vellumark control panel' " +
        ">/dev/null; shown=$?; kill $pid; wait $pid; exit $shown; }";
    command_result r = run_command(script);
    if (r.status != 0) return "window did not show";
    return read_file(err);
}

TEST_F(Installed, WindowFindsItsFilesInShare) {
    if (!VMK_WITH_WINDOW) GTEST_SKIP() << "built without the window";
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (run under xvfb-run)";
    if (!have("xdotool")) GTEST_SKIP() << "xdotool not installed";
    temp_dir work;
    // Installed: nothing beside the program, everything in ../share/vellumark.
    std::string said = start_window(at("bin/vellumark"), work.dir);
    EXPECT_EQ(said.find("window did not show"), std::string::npos);
    EXPECT_EQ(said.find("icon.bin"), std::string::npos) << said;
    EXPECT_EQ(said.find("_help.txt"), std::string::npos) << said;

    // The same program where no share folder is near says what it misses.
    ASSERT_EQ(run_command("mkdir -p \"" + work.path("a/b") + "\" && cp \"" + at("bin/vellumark") +
                          "\" \"" + work.path("a/b/vellumark") + "\"")
                  .status,
              0);
    std::string lost = start_window(work.path("a/b/vellumark"), work.dir);
    EXPECT_NE(lost.find("icon.bin is neither beside the program nor in"), std::string::npos) << lost;
}

// What Tab offers after the words, with the installed completion and the
// installed vmk on the PATH, in a folder holding a few files.
std::string complete(const std::string &prefix, const std::string &work_dir,
                     const std::vector<std::string> &words) {
    std::string list;
    for (const std::string &w : words) list += " '" + w + "'";
    std::string script =
        "source /usr/share/bash-completion/bash_completion; "
        "source '" + prefix + "/share/bash-completion/completions/vmk'; "
        "PATH='" + prefix + "/bin':$PATH; cd '" + work_dir + "'; "
        "COMP_WORDS=(" + list + "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); "
        "COMP_LINE=\"${COMP_WORDS[*]}\"; COMP_POINT=${#COMP_LINE}; "
        "_vmk vmk \"${COMP_WORDS[-1]}\" \"${COMP_WORDS[-2]}\"; "
        "printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
    std::string file = work_dir + "/complete.sh";
    std::ofstream(file) << script;
    return run_command("bash '" + file + "'").out;
}

TEST_F(Installed, BashCompletesCommandsOptionsAndFiles) {
    if (!exists("/usr/share/bash-completion/bash_completion"))
        GTEST_SKIP() << "bash-completion not installed";
    temp_dir work;
    std::ofstream(work.path("game.img")) << "x";
    std::ofstream(work.path("game.ccd")) << "x";
    const struct {
        std::vector<std::string> words;
        std::string offered;
    } cases[] = {
        {{"vmk", "po"}, "ports\n"},
        {{"vmk", "card", "add_"}, "add_withname\n"},
        {{"vmk", "card", "bkram_"}, "bkram_multiread\nbkram_read\nbkram_write\n"},
        {{"vmk", "device", "du"}, "dump\n"},
        {{"vmk", "help", "device", "program_"}, "program_data\nprogram_jic\nprogram_pac\n"},
        {{"vmk", "card", "add", "D", "ga"}, "game.ccd\ngame.img\n"},
        {{"vmk", "card", "list", "D", "--j"}, "--json\n"},
        {{"vmk", "card", "che"}, "check\n"},
        {{"vmk", "card", "check", "D", "--"}, "--capacity\n--help\n--json\n"},
        {{"vmk", "card", "add", "D", "--no"}, "--no-verify\n"},
        {{"vmk", "card", "add", "D", "--p"}, "--patch\n"},
        {{"vmk", "card", "drives", "--a"}, "--all\n"},
        {{"vmk", "d"}, "dat\ndevice\n"},
        {{"vmk", "dat", "ch"}, "check\n"},
        {{"vmk", "help", "dat", ""}, "check\n"},
        {{"vmk", "dat", "check", "ga"}, "game.ccd\ngame.img\n"},
        {{"vmk", "dat", "check", "game.img", "--d"}, "--dat\n"},
        {{"vmk", "dat", "check", "game.img", "--p"}, "--patch\n"},
        {{"vmk", "device", "dump", "rom", "--v"}, "--verify\n"},
        {{"vmk", "device", "dump", "--"}, "--dat\n--help\n--name-by-dat\n--report\n--verify\n"},
        {{"vmk", "card", "format", "D", "--f"}, "--force\n"},
    };
    for (const auto &c : cases) {
        std::string line;
        for (const std::string &w : c.words) line += w + " ";
        EXPECT_EQ(complete(staging->dir, work.dir, c.words), c.offered) << line;
    }
}
