// The PNG pair written from a frame, read back with libpng.
#include "device/framebuffer_png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/framebuffer.h"
#include "device/framebuffer_stream.h"
#include "tests/device/png_read.h"
#include "tests/support/fb_memory_link.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"
#include "tools/board_emulator/emu_frame.h"

namespace {

class FramePng : public testing::Test {
protected:
    // Reads a named test frame and finds its picture.
    void capture(const char *name) {
        bytes = emu_frame_stream(name);
        fb_memory_link board{bytes.data(), bytes.size(), 0, {}};
        const fb_link link = board.link();
        fb_reset(fb.get());
        ASSERT_EQ(fb_read_frame(fb.get(), &link, log.sink), 1);
        ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
        log.writes.clear();
    }

    std::vector<int> rgba(const png_contents &p, int x, int y) {
        const uint8_t *px = p.rows[y].data() + 4 * x;
        return {px[0], px[1], px[2], px[3]};
    }

    std::vector<uint8_t> bytes;
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> fb{fb_create(nullptr, nullptr),
                                                             fb_destroy};
    recording_log log;
    temp_dir files;
};

}  // namespace

TEST_F(FramePng, SingleRectangleAndItsSpriteCompanion) {
    capture("rect");
    ASSERT_EQ(fb_save_png(fb.get(), files.path("0007.png").c_str(), log.sink), 1);
    EXPECT_EQ(log.text(), "");

    png_contents picture = png_load(files.path("0007.png"));
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 256);
    EXPECT_EQ(picture.height, 240);
    EXPECT_EQ(picture.bit_depth, 8);
    EXPECT_EQ(picture.color_type, 6 /* RGBA */);
    EXPECT_EQ(picture.interlace, 0);
    EXPECT_EQ(picture.chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(picture.first_idat, (std::vector<uint8_t>{0x78, 0xDA}));  // zlib, best compression
    // The palette record makes white 8 x 31; colour bar 2 is yellow.
    EXPECT_EQ(rgba(picture, 0, 0), (std::vector<int>{248, 248, 248, 255}));
    EXPECT_EQ(rgba(picture, 255, 159), (std::vector<int>{0, 0, 0, 255}));  // the black bar
    EXPECT_EQ(rgba(picture, 40, 0)[3], 255);
    for (int y = 0; y < picture.height; y++)
        for (int x = 0; x < picture.width; x++)
            ASSERT_EQ(picture.rows[y][4 * x + 3], 255) << x << "," << y;

    png_contents sprite = png_load(files.path("0007_obj.png"));
    ASSERT_TRUE(sprite.ok);
    EXPECT_EQ(sprite.width, 256);
    EXPECT_EQ(sprite.height, 240);
    EXPECT_EQ(sprite.color_type, 3 /* palette */);
    EXPECT_EQ(sprite.chunks, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
    EXPECT_EQ(sprite.plte.size(), 256u * 3);
    EXPECT_EQ(sprite.trns, (std::vector<uint8_t>{127}));
    // Sprite colours 257 and 258 become indices 1 and 2; background is 0.
    EXPECT_EQ(sprite.rows[0][0], 0);
    EXPECT_EQ(sprite.rows[96][104], 1);
    EXPECT_EQ(sprite.rows[112][120], 2);
    // PLTE entry 1 is colour 257 of line 19's table, the colour plane's too.
    std::vector<int> plte1{sprite.plte[3], sprite.plte[4], sprite.plte[5], 255};
    EXPECT_EQ(plte1, rgba(picture, 104, 96));
}

TEST_F(FramePng, MultirectIsDrawnAtMasterClockResolution) {
    capture("mixed");
    ASSERT_EQ(fb->multirect, 1);
    ASSERT_EQ(fb_save_png(fb.get(), files.path("m.png").c_str(), log.sink), 1);
    EXPECT_EQ(fb->whole.x, 0);
    EXPECT_EQ(fb->whole.width, 1365);

    png_contents p = png_load(files.path("m.png"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.width, 1365);
    EXPECT_EQ(p.height, 3 * 261);
    const std::vector<int> white{248, 248, 248, 255};
    // Line 20, divider 2: one border pixel, then source pixel x at 1 + 2x.
    int row = 3 * (20 - 2);
    EXPECT_EQ(rgba(p, 0, row)[3], 127);
    EXPECT_EQ(rgba(p, 1 + 2 * 31 + 1, row)[3], 127);
    EXPECT_EQ(rgba(p, 1 + 2 * 32, row), white);
    EXPECT_EQ(rgba(p, 1 + 2 * 32 + 1, row), white);
    EXPECT_EQ(rgba(p, 1364, row)[3], 127);  // source pixel 681 reads as empty
    EXPECT_EQ(p.rows[row], p.rows[row + 1]);
    EXPECT_EQ(p.rows[row], p.rows[row + 2]);
    // Line 100, divider 3: no border pixel, source pixel x at 3x .. 3x + 2.
    row = 3 * (100 - 2);
    EXPECT_EQ(rgba(p, 3 * 32 - 1, row)[3], 127);
    EXPECT_EQ(rgba(p, 3 * 32, row), white);
    EXPECT_EQ(rgba(p, 3 * 32 + 2, row), white);
}

TEST_F(FramePng, MultirectAfterAnEarlyEndDrawsMissingLinesEmpty) {
    // The mixed frame cut after line 149 (palette record + 150 line records).
    std::vector<uint8_t> full = emu_frame_stream("mixed");
    size_t at = 0;
    for (int records = 0; records < 151; records++) at += 3 + (full[at + 1] | (full[at + 2] << 8));
    bytes.assign(full.begin(), full.begin() + at);
    bytes.push_back('@');
    fb_memory_link board{bytes.data(), bytes.size(), 0, {}};
    const fb_link link = board.link();
    fb_reset(fb.get());
    ASSERT_EQ(fb_read_frame(fb.get(), &link, log.sink), 1);
    ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
    ASSERT_EQ(fb->multirect, 1);
    ASSERT_EQ(fb_save_png(fb.get(), files.path("e.png").c_str(), log.sink), 1);
    png_contents p = png_load(files.path("e.png"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.height, 3 * 261);
    EXPECT_EQ(rgba(p, 1 + 2 * 32, 3 * (149 - 2)), (std::vector<int>{248, 248, 248, 255}));
    for (int x = 0; x < 1365; x++) ASSERT_EQ(rgba(p, x, 3 * (150 - 2))[3], 127) << x;
}

TEST(FramePngNames, SpriteCompanionOnlyForExactPngEndingsUpTo124Characters) {
    const std::string a120(120, 'a');
    struct {
        std::string path;
        std::string sprite;  // empty: no second file
    } cases[] = {
        {"dir/0007.png", "dir/0007_obj.png"},
        {"shot.PNG", "shot_obj.png"},
        {"shot.Png", ""},
        {"shot", ""},
        {"shot.png.bak", ""},
        {"png", ""},
        {a120 + ".png", a120 + "_obj.png"},  // 124 characters
        {"b" + a120 + ".png", ""},           // 125
    };
    for (auto &c : cases) {
        std::string sprite;
        EXPECT_EQ(fb_sprite_png_name(c.path.c_str(), &sprite), !c.sprite.empty()) << c.path;
        if (!c.sprite.empty()) {
            EXPECT_EQ(sprite, c.sprite);
        }
    }
}

TEST_F(FramePng, FilesWrittenPerName) {
    capture("rect");
    struct {
        const char *name;
        std::vector<std::string> files;
    } cases[] = {
        {"shot.PNG", {"shot.PNG", "shot_obj.png"}},
        {"shot.Png", {"shot.Png"}},
        {"shot", {"shot"}},
    };
    for (auto &c : cases) {
        temp_dir dir;
        ASSERT_EQ(fb_save_png(fb.get(), dir.path(c.name).c_str(), log.sink), 1);
        std::vector<std::string> found;
        for (auto &e : std::filesystem::directory_iterator(dir.dir))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.files) << c.name;
    }
}

TEST_F(FramePng, UncreatableFileIsReported) {
    capture("rect");
    std::string path = files.path("missing/shot.png");
    EXPECT_EQ(fb_save_png(fb.get(), path.c_str(), log.sink), 0);
    EXPECT_EQ(log.text(), path + " cannot be created\n" + files.path("missing/shot_obj.png") +
                              " cannot be created\n");
}
