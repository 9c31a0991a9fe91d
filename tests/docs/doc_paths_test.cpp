// Every project path that README.md and docs/*.md name exists in the source
// tree, so a file moved or renamed in the code cannot leave the documentation
// pointing at nothing.
//
// What counts as a path (everything else is left alone):
// - a markdown link or image target, `[text](target)`, that is not a web
//   address or an anchor; it is resolved from the document's own folder, as a
//   reader's viewer resolves it, with any `#anchor` cut off;
// - a backticked span made only of path characters (letters, digits, `_ . + -`
//   and `/`) that either holds a `/` (resolved from the source root) or is a
//   bare file name ending in a source extension (.cpp .h .c .py .sh .cmake
//   .md; it must exist somewhere in the tree, since the text around it names
//   the folder), and whose last part is not only digits (`MODE1/2352` is a
//   cue sheet's track mode).
// Not paths, by that rule: command lines (`vmk card add` holds blanks),
// placeholders (`<file>`, `*_posix.cpp`), absolute paths of the running
// system (`/dev/ttyUSB0`, `/sys/block`), home paths (`~/.cache/...`). Spans
// whose first folder starts with `build` name build outputs (`build/vmk`,
// `build-deb/...`) and are skipped. Fenced code blocks are skipped; a
// backticked span ends at a blank line, as in markdown.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct named_path {
    int line;
    std::string path;
    bool is_link;  // resolved from the document's folder, not the source root
};

bool ends_with(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool is_bare_source_name(const std::string &span) {
    for (const char *extension : {".cpp", ".h", ".c", ".py", ".sh", ".cmake", ".md"})
        if (span.size() > strlen(extension) && ends_with(span, extension)) return true;
    return false;
}

bool is_project_path(const std::string &span) {
    if (span.empty() || span[0] == '/' || span.find("//") != std::string::npos) return false;
    for (char c : span)
        if (!isalnum(static_cast<unsigned char>(c)) && !strchr("_.+-/", c)) return false;
    if (span.find('/') == std::string::npos) return is_bare_source_name(span);
    if (span.rfind("build", 0) == 0) return false;
    std::string last = span.substr(0, span.find_last_not_of('/') + 1);
    last = last.substr(last.rfind('/') + 1);
    return last.find_first_not_of("0123456789") != std::string::npos;
}

void add_link_targets(const std::string &line, int number, std::vector<named_path> &out) {
    for (size_t at = line.find("]("); at != std::string::npos; at = line.find("](", at + 2)) {
        const size_t start = at + 2;
        const size_t end = line.find_first_of(") \t", start);
        if (end == std::string::npos) continue;
        std::string target = line.substr(start, end - start);
        if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
        target = target.substr(0, target.find('#'));
        if (!target.empty()) out.push_back({number, target, true});
    }
}

// The paths a markdown text names, with the line each starts on.
std::vector<named_path> paths_named_in(const std::string &text) {
    std::vector<named_path> out;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool in_fence = false;
    std::string span;
    size_t span_ticks = 0;  // length of the backtick run that opened the span; 0: none open
    int span_line = 0;
    while (std::getline(in, line)) {
        number++;
        if (line.find_first_not_of(" \t") != std::string::npos &&
            line.compare(line.find_first_not_of(" \t"), 3, "```") == 0) {
            in_fence = !in_fence;
            span_ticks = 0;
            continue;
        }
        if (in_fence) continue;
        if (line.find_first_not_of(" \t") == std::string::npos) {
            span_ticks = 0;
            continue;
        }
        add_link_targets(line, number, out);
        for (size_t i = 0; i < line.size();) {
            if (line[i] != '`') {
                if (span_ticks) span += line[i];
                i++;
                continue;
            }
            size_t run = line.find_first_not_of('`', i);
            run = (run == std::string::npos ? line.size() : run) - i;
            if (span_ticks == 0) {
                span_ticks = run;
                span.clear();
                span_line = number;
            } else if (run == span_ticks) {
                if (is_project_path(span)) out.push_back({span_line, span, false});
                span_ticks = 0;
            } else {
                span.append(run, '`');
            }
            i += run;
        }
        if (span_ticks) span += '\n';
    }
    return out;
}

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// File names anywhere in the tree, build folders and git's own left out.
std::set<std::string> file_names_under(const fs::path &root) {
    std::set<std::string> names;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name.rfind("build", 0) == 0 || name == ".git")) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file()) names.insert(name);
    }
    return names;
}

}  // namespace

TEST(DocPaths, ExtractsPathsAndLeavesTheRest) {
    const struct {
        const char *text;
        std::vector<std::string> paths;
    } cases[] = {
        {"see `core/file_replace.h` and `card/store/`", {"core/file_replace.h", "card/store/"}},
        {"the scan (`removable_disks_linux.cpp`)", {"removable_disks_linux.cpp"}},
        {"![picture](docs/window.png) and [more](docs/card.md#format)",
         {"docs/window.png", "docs/card.md"}},
        {"[a](docs/a.md \"title\")", {"docs/a.md"}},
        {"[site](https://example.org/a.md), [here](#layout)", {}},
        {"`vmk card add D games/ys` runs", {}},  // a command line
        {"`/dev/ttyUSB0`, `/sys/block`, `~/.cache/vellumark-windows`", {}},
        {"`build/vmk`, `build-deb/vellumark_1_amd64.deb`", {}},
        {"`tests/fuzz/corpus/<target>/`, `*_posix.cpp`, `framebuffer*`", {}},
        {"`MODE1/2352`, `MODE2/2048`", {}},  // cue sheet track modes
        {"`cdlist.txt`, `oru.cfg`, `NNNN_obj.png`, `--json`", {}},  // files on a card or at run time
        {"a span `tools/windows/\nbuild` across lines is no path", {}},
        {"```\n`tools/fenced.cpp`\n```\n`tools/after.cpp`", {"tools/after.cpp"}},
        {"`tools/open\n\nnext` paragraph", {}},  // a blank line ends an open span
        {"``code with ` inside`` then `bench/x.cpp`", {"bench/x.cpp"}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> found;
        for (const named_path &p : paths_named_in(c.text)) found.push_back(p.path);
        EXPECT_EQ(found, c.paths) << c.text;
    }
}

TEST(DocPaths, ReportsTheLineAPathStartsOn) {
    const std::vector<named_path> found = paths_named_in("one\n\nthree `bench/a.cpp`\n[x](b.md)\n");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].line, 3);
    EXPECT_FALSE(found[0].is_link);
    EXPECT_EQ(found[1].line, 4);
    EXPECT_TRUE(found[1].is_link);
}

TEST(DocPaths, EveryPathTheDocumentsNameExists) {
    const fs::path root = VMK_SOURCE_DIR;
    std::vector<fs::path> documents = {root / "README.md"};
    for (const auto &entry : fs::directory_iterator(root / "docs"))
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    const std::set<std::string> names = file_names_under(root);

    std::string missing;
    size_t checked = 0;
    for (const fs::path &document : documents) {
        for (const named_path &p : paths_named_in(read_file(document))) {
            checked++;
            bool exists;
            if (p.is_link)
                exists = fs::exists(document.parent_path() / p.path);
            else if (p.path.find('/') == std::string::npos)
                exists = names.count(p.path) > 0;
            else
                exists = fs::exists(root / p.path);
            if (!exists)
                missing += fs::relative(document, root).string() + ":" + std::to_string(p.line) +
                           ": " + p.path + "\n";
        }
    }
    EXPECT_GT(checked, 0u) << "no path found in the documents: the extraction is broken";
    EXPECT_EQ(missing, "") << "paths named in the documents that do not exist:\n" << missing;
}
