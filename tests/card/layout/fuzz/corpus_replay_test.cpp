// Every saved fuzz input runs through the card layout's read paths again
// under the sanitizers of the test build.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/file_util.h"
#include "tests/card/layout/fuzz/card_image_input.h"

TEST(CardFuzzCorpus, ReplaysEverySavedInput) {
    DIR *d = opendir(CARD_FUZZ_CORPUS);
    ASSERT_NE(d, nullptr) << CARD_FUZZ_CORPUS;
    int replayed = 0;
    while (const dirent *e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::string path = std::string(CARD_FUZZ_CORPUS) + "/" + e->d_name;
        int64_t size = file_size(path.c_str());
        ASSERT_GE(size, 0) << path;
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        ASSERT_EQ(file_read_whole(path.c_str(), bytes.data(), bytes.size()), 1) << path;
        fuzz_card_image(bytes.data(), bytes.size());
        replayed++;
    }
    closedir(d);
    EXPECT_GT(replayed, 0) << "the corpus is empty";
}
