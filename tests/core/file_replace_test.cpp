#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_replace.h"
#include "core/file_util.h"
#ifndef _WIN32
#include "tests/support/file_size_limit.h"
#endif
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> folder_names(const temp_dir &t) {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(t.dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string content(const std::string &name) {
    std::vector<char> buffer(4096, '\0');
    int64_t size = file_size(name.c_str());
    if (size < 0 || !file_read_whole(name.c_str(), buffer.data(), buffer.size())) return "<none>";
    return std::string(buffer.data(), static_cast<size_t>(size));
}

}  // namespace

TEST(FileReplace, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
    temp_dir t;
    std::string target = t.path("save.bin");
    ASSERT_EQ(file_write_whole(target.c_str(), "old content", 11), 1);
    file_replace r;
    ASSERT_EQ(file_replace_begin(&r, target.c_str()), 1);
    EXPECT_EQ(file_replace_write(&r, "new ", 4), 1);
    EXPECT_EQ(content(target), "old content") << "visible before commit";
    EXPECT_EQ(file_replace_write(&r, "data", 4), 1);
    EXPECT_EQ(file_replace_commit(&r), 1);
    EXPECT_EQ(content(target), "new data");
    EXPECT_EQ(folder_names(t), std::vector<std::string>{"save.bin"});
}

TEST(FileReplace, AbandonAndEarlyExitKeepTheTargetByteForByte) {
    temp_dir t;
    std::string target = t.path("dump.pce");
    ASSERT_EQ(file_write_whole(target.c_str(), "previous\0dump", 13), 1);
    {
        file_replace r;
        ASSERT_EQ(file_replace_begin(&r, target.c_str()), 1);
        file_replace_write(&r, "partial", 7);
        file_replace_abandon(&r);
        EXPECT_EQ(file_replace_commit(&r), 0) << "nothing left to commit";
    }
    {
        file_replace r;  // left open: the destructor abandons it
        ASSERT_EQ(file_replace_begin(&r, target.c_str()), 1);
        file_replace_write(&r, "partial", 7);
    }
    EXPECT_EQ(content(target), std::string("previous\0dump", 13));
    EXPECT_EQ(folder_names(t), std::vector<std::string>{"dump.pce"});
}

TEST(FileReplace, NewFileAppearsOnlyOnCommit) {
    temp_dir t;
    std::string target = t.path("new.png");
    file_replace r;
    ASSERT_EQ(file_replace_begin(&r, target.c_str()), 1);
    EXPECT_EQ(file_size(target.c_str()), -1);
    EXPECT_EQ(file_replace_commit(&r), 1);
    EXPECT_EQ(file_size(target.c_str()), 0);
    EXPECT_EQ(file_replace_begin(&r, t.path("no/such/folder/f").c_str()), 0);
#ifndef _WIN32
    if (geteuid() != 0) {  // root may write anything
        ASSERT_EQ(chmod(target.c_str(), 0444), 0);
        EXPECT_EQ(file_replace_begin(&r, target.c_str()), 0) << "a read-only file stays";
    }
#endif
    EXPECT_EQ(file_replace_begin(&r, ""), 0);
}

// A write that fails part-way (the disk fills) must not cost the old file.
// Windows has no per-process file size limit to make a disk look full.
#ifndef _WIN32
TEST(FileReplace, FailedWriteKeepsTheTargetAndRemovesTheTemporaryFile) {
    temp_dir t;
    std::string target = t.path("memorybase.bin");
    ASSERT_EQ(file_write_whole(target.c_str(), "keep me", 7), 1);
    std::vector<char> big(256 * 1024, 'x');
    int whole, streamed;
    {
        file_size_limit limit(4096);
        whole = file_write_whole(target.c_str(), big.data(), big.size());
        file_replace r;
        ASSERT_EQ(file_replace_begin(&r, target.c_str()), 1);
        int written = 1;
        for (size_t i = 0; written && i < big.size(); i += 8192)
            written = file_replace_write(&r, big.data() + i, 8192);
        streamed = file_replace_commit(&r);
    }
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(streamed, 0);
    EXPECT_EQ(content(target), "keep me");
    EXPECT_EQ(folder_names(t), std::vector<std::string>{"memorybase.bin"});
}
#endif
