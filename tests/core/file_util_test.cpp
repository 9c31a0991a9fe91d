#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/file_util.h"
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
