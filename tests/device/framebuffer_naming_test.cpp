// Numbered capture names for the window: "%s%04d.%s" from the stored counter.
#include "device/framebuffer_naming.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

void touch(const std::string &path) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fclose(f);
}

}  // namespace

TEST(FramePngNumbering, FirstFreeNumberFromTheCounter) {
    temp_dir dir;
    const std::string folder = dir.dir + "/";
    struct {
        std::vector<std::string> present;
        int32_t counter;
        const char *name;
        int32_t counter_after;
    } cases[] = {
        {{}, 0, "0000.png", 0},
        {{"0000.png", "0001.png", "0002.png"}, 0, "0003.png", 3},
        {{"0003.png"}, 2, "0002.png", 2},  // the stored number is probed first
        {{"0000_obj.png", "0001_obj.png"}, 0, "0002.png", 2},  // a sprite picture takes its number
        {{}, 5, "0006.png", 6},            // a folder named 0005.png counts as taken
        {{}, 12345, "12345.png", 12345},
        {{"99999.png"}, 99999, "0000.png", 0},  // past the last number: from 0 again
        {{}, -4, "0000.png", 0},
        {{}, 100000, "0000.png", 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir.dir);
        std::filesystem::create_directory(dir.dir);
        for (auto &p : c.present) touch(folder + p);
        if (c.counter == 5) std::filesystem::create_directory(folder + "0005.png");
        int32_t counter = c.counter;
        std::string name;
        ASSERT_EQ(fb_next_png_name(folder.c_str(), &counter, &name), 1);
        EXPECT_EQ(name, folder + c.name);
        EXPECT_EQ(counter, c.counter_after);
    }
}

TEST(FramePngNumbering, EveryNumberTakenRefuses) {
    auto all = [](void *, int) { return true; };
    EXPECT_EQ(fb_first_free_number(500, all, nullptr), -1);
    // Only 0499 free: reached by wrapping round from 500.
    auto all_but_499 = [](void *, int n) { return n != 499; };
    EXPECT_EQ(fb_first_free_number(500, all_but_499, nullptr), 499);
}
