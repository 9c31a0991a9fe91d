#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/file_util.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

TEST(FileUtil, SizeOfMissingEmptyAndDirectory) {
    temp_dir t;
    EXPECT_EQ(file_size(t.path("missing").c_str()), -1);
    ASSERT_EQ(file_write_whole(t.path("empty").c_str(), "", 0), 1);
    EXPECT_EQ(file_size(t.path("empty").c_str()), 0);
    EXPECT_EQ(file_size(t.dir.c_str()), -1);
}

TEST(FileUtil, ReadWholeOfShortFileFillsOnlyItsBytes) {
    temp_dir t;
    ASSERT_EQ(file_write_whole(t.path("ten").c_str(), "0123456789", 10), 1);
    std::vector<char> buffer(2048, '#');
    EXPECT_EQ(file_read_whole(t.path("ten").c_str(), buffer.data(), buffer.size()), 1);
    EXPECT_EQ(memcmp(buffer.data(), "0123456789", 10), 0);
    EXPECT_EQ(buffer[10], '#');
    EXPECT_EQ(buffer[2047], '#');
    EXPECT_EQ(file_read_whole(t.path("missing").c_str(), buffer.data(), 1), 0);
}

TEST(FileUtil, WriteWholeFailsWhereNoFileCanBeCreated) {
    temp_dir t;
    EXPECT_EQ(file_write_whole(t.path("no/such/dir/f").c_str(), "x", 1), 0);
}

TEST(FileUtil, OpenTakesOnlyTheFourModesAndJoinsWithoutSeparator) {
    temp_dir t;
    ASSERT_EQ(file_write_whole(t.path("ab").c_str(), "x", 1), 1);
    EXPECT_EQ(file_open(t.path("ab").c_str(), "a"), nullptr);
    FILE *f = file_open_joined((t.dir + "/a").c_str(), "b", "rb");
    ASSERT_NE(f, nullptr);
    fclose(f);
    std::string too_long(300, 'd');
    EXPECT_EQ(file_open_joined(too_long.c_str(), "b", "rb"), nullptr);
}

// Names are UTF-8 inside the program: on Windows every helper must hand the
// system the same characters, not the bytes read in the ANSI code page.
TEST(FileUtil, JapaneseNamesReachTheSameFileThroughEveryHelper) {
    temp_dir t;
    const std::string name = "ゲーム データ.sav";
    const std::string path = t.path(name);
    ASSERT_EQ(file_write_whole(path.c_str(), "abc", 3), 1);
    EXPECT_EQ(file_size(path.c_str()), 3);
    char back[3] = {};
    ASSERT_EQ(file_read_whole(path.c_str(), back, 3), 1);
    EXPECT_EQ(memcmp(back, "abc", 3), 0);
    FILE *joined = file_open_joined((t.dir + "/").c_str(), name.c_str(), "rb");
    ASSERT_NE(joined, nullptr);
    fclose(joined);

    std::vector<std::string> listed;
    ASSERT_TRUE(directory_list(t.dir.c_str(), [](void *user, const char *n) {
        static_cast<std::vector<std::string> *>(user)->push_back(n);
        return true;
    }, &listed));
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end());
}

TEST(FileUtil, SuffixesMatchInEitherCaseAndOnlyAtTheEnd) {
    const struct {
        const char *name, *suffix;
        bool has;
    } cases[] = {
        {"game.cue", ".cue", true},   {"GAME.CUE", ".cue", true}, {"game.Cue", ".cue", true},
        {"game.cue.bak", ".cue", false}, {"cue", ".cue", false},  {".cue", ".cue", true},
        {"game.chd", ".cue", false},  {"", ".bin", false},
    };
    for (const auto &c : cases) EXPECT_EQ(name_has_suffix(c.name, c.suffix), c.has) << c.name;
}
