// No source folder includes a folder above it: every `#include "folder/..."`
// under the layered folders is checked against the layer table below, so an
// upward or sideways include fails here, named by file, line and both
// folders, before it can tie two layers into a knot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The layers from the bottom up. Folders of one rank are peers: neither may
// include the other. Inside card/ and gui/, each subfolder has a rank of its
// own in the same way (card/CMakeLists.txt links them in this order).
const std::map<std::string, int> top_rank = {
    {"platform", 0}, {"core", 1}, {"saves", 2}, {"card", 3}, {"device", 3},
    {"cli", 4},      {"gui", 4},  {"app", 5},
    // Test and build helpers: nothing in the program may include them.
    {"tools", 9},    {"bench", 9}, {"tests", 9},
};
const std::map<std::string, std::map<std::string, int>> sub_rank = {
    {"card",
     {{"store", 0}, {"fat", 1}, {"cdimage", 2}, {"imagelist", 2}, {"layout", 3}, {"write", 4},
      {"check", 5}, {"backup", 6}, {"commands", 7}}},
    {"gui", {{"shell", 0}, {"device", 1}, {"card", 1}}},
};
// The folders whose files are checked.
const char *const layered[] = {"platform", "core", "saves", "card", "device", "cli", "gui", "app"};

// The folder a project path belongs to: "card/store" for card/store/x.h,
// "core" for core/x.h; "" for a path outside the table (<wx/...> style
// includes written with quotes, a file of the folder's own).
std::string folder_of(const std::string &path) {
    size_t slash = path.find('/');
    if (slash == std::string::npos) return "";
    std::string top = path.substr(0, slash);
    if (top_rank.count(top) == 0) return "";
    if (sub_rank.count(top) == 0) return top;
    size_t next = path.find('/', slash + 1);
    if (next == std::string::npos) return top;
    return path.substr(0, next);
}

std::string top_of(const std::string &folder) { return folder.substr(0, folder.find('/')); }

// "store" of "card/store"; "" of "card".
std::string sub_of(const std::string &folder) {
    size_t slash = folder.find('/');
    return slash == std::string::npos ? "" : folder.substr(slash + 1);
}

// Empty when `from` may include `to`; otherwise why not.
std::string include_refusal(const std::string &from, const std::string &to) {
    if (from == to) return "";
    std::string from_top = top_of(from), to_top = top_of(to);
    if (from_top != to_top) {
        int a = top_rank.at(from_top), b = top_rank.at(to_top);
        if (a > b) return "";
        return a == b ? "a folder beside it" : "a folder above it";
    }
    const auto &ranks = sub_rank.at(from_top);
    auto a = ranks.find(sub_of(from));
    auto b = ranks.find(sub_of(to));
    if (a == ranks.end() || b == ranks.end()) return "a folder missing from the layer table";
    if (a->second > b->second) return "";
    return a->second == b->second ? "a folder beside it" : "a folder above it";
}

// One message a refused include of `text`, a file at `path` (from the
// source root).
std::vector<std::string> refused_includes(const std::string &path, const std::string &text) {
    static const std::regex include_line(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    std::string from = folder_of(path);
    if (from.empty()) return found;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); number++) {
        std::smatch m;
        if (!std::regex_search(line, m, include_line)) continue;
        std::string to = folder_of(m[1].str());
        if (to.empty()) continue;
        std::string why = include_refusal(from, to);
        if (!why.empty())
            found.push_back(path + ":" + std::to_string(number) + ": " + from + " includes " + to +
                            ", " + why + " (" + m[1].str() + ")");
    }
    return found;
}

TEST(LayerOrder, NoFolderIncludesOneAboveOrBesideIt) {
    const fs::path root = VMK_SOURCE_DIR;
    int files = 0;
    std::vector<std::string> refused;
    for (const char *top : layered) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto &entry : fs::recursive_directory_iterator(root / top)) {
            std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c")) continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            std::string path = fs::relative(entry.path(), root).generic_string();
            for (std::string &r : refused_includes(path, text.str())) refused.push_back(r);
            files++;
        }
    }
    EXPECT_GT(files, 100) << "the source folders were not found under " << root;
    for (const std::string &r : refused) ADD_FAILURE() << r;
}

TEST(LayerOrder, RefusedIncludesAreNamedByFileLineAndBothFolders) {
    struct {
        const char *file, *include;
        const char *refusal;  // nullptr: allowed
    } cases[] = {
        {"core/log.cpp", "platform/files.h", nullptr},
        {"card/write/image_add.cpp", "card/layout/card_layout.h", nullptr},
        {"card/layout/card_open.cpp", "card/cdimage/bcd.h", nullptr},
        {"gui/card/card_job.cpp", "card/commands/card_list.h", nullptr},
        {"app/main_app.cpp", "gui/shell/task_runner.h", nullptr},
        {"card/store/disk_handle.cpp", "card/store/drive_table.h", nullptr},
        {"card/store/disk_handle.cpp", "app/my_form_controlpanel.h", "card/store includes app, a folder above it"},
        {"platform/files_posix.cpp", "core/log.h", "platform includes core, a folder above it"},
        {"card/layout/card_open.cpp", "card/write/image_add.h",
         "card/layout includes card/write, a folder above it"},
        {"card/cdimage/cue_disc.cpp", "card/imagelist/list_image.h",
         "card/cdimage includes card/imagelist, a folder beside it"},
        {"device/dat_file.cpp", "card/store/drive_table.h", "device includes card/store, a folder beside it"},
        {"gui/device/oru_main.cpp", "gui/card/card_page.h", "gui/device includes gui/card, a folder beside it"},
        {"gui/shell/task_job.cpp", "gui/device/device_job.h", "gui/shell includes gui/device, a folder above it"},
        {"cli/vmk_main.cpp", "tests/support/temp_dir.h", "cli includes tests, a folder above it"},
        {"card/store/x.cpp", "card/newpart/y.h", "card/store includes card/newpart, a folder missing"},
    };
    for (const auto &c : cases) {
        std::string text = "// first line\n#include <string>\n  #include \"" + std::string(c.include) + "\"\n";
        std::vector<std::string> refused = refused_includes(c.file, text);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(refused.empty()) << c.file << " -> " << c.include;
            continue;
        }
        ASSERT_EQ(refused.size(), 1u) << c.file << " -> " << c.include;
        EXPECT_EQ(refused[0].rfind(std::string(c.file) + ":3: " + c.refusal, 0), 0u) << refused[0];
    }
    // A commented-out include is not an include.
    EXPECT_TRUE(refused_includes("core/log.cpp", "// #include \"app/x.h\"\n").empty());
}

}  // namespace
