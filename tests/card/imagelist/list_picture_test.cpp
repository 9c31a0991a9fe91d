#include "card/imagelist/list_picture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "card/imagelist/list_render.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

struct gray_picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

gray_picture read_png(const std::string &name) {
    gray_picture p;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, name.c_str())) return p;
    image.format = PNG_FORMAT_GRAY;
    p.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr)) return p;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

// "X" in slot 0 (page 0, plane 0, line 0) and in slot 68 (page 1, plane 0,
// line 0); the other slots draw nothing.
std::vector<uint8_t> two_text_list() {
    std::vector<char> texts(LIST_SLOT_COUNT * LIST_SLOT_TEXT_SIZE, 0);
    for (int slot = 0; slot < LIST_SLOT_COUNT; slot++) texts[slot * LIST_SLOT_TEXT_SIZE] = '0';
    texts[1] = texts[68 * LIST_SLOT_TEXT_SIZE + 1] = 'X';
    std::vector<uint8_t> list(LIST_IMAGE_SIZE);
    EXPECT_EQ(build_list_image(log_null(), texts.data(), LIST_SLOT_COUNT, LIST_SLOT_TEXT_SIZE,
                               nullptr, 0, list.data()),
              1);
    return list;
}

int set_pixels(const gray_picture &p, int left, int top, int width, int height) {
    int n = 0;
    for (int y = top; y < top + height; y++) {
        for (int x = left; x < left + width; x++) n += p.at(x, y) == 0xFF;
    }
    return n;
}

}  // namespace

TEST(ListPreview, PlanesSideBySideAndPagesStacked) {
    temp_dir t;
    recording_log log;
    std::vector<uint8_t> list = two_text_list();
    ASSERT_EQ(list_image_to_png(log.sink, list.data(), list.size(), t.path("list.png").c_str()), 1);
    gray_picture p = read_png(t.path("list.png"));
    ASSERT_EQ(p.width, LIST_PREVIEW_WIDTH);
    ASSERT_EQ(p.height, LIST_PREVIEW_HEIGHT);

    const int plane_step = 304 + LIST_PREVIEW_GAP, page_step = 208 + LIST_PREVIEW_GAP;
    for (int page = 0; page < 2; page++) {
        for (int plane = 0; plane < 4; plane++) {
            SCOPED_TRACE("page " + std::to_string(page) + " plane " + std::to_string(plane));
            int left = plane * plane_step, top = page * page_step;
            int x_pixels = set_pixels(p, left, top, 6, 12);
            EXPECT_EQ(x_pixels > 0, plane == 0);
            EXPECT_EQ(set_pixels(p, left, top, 304, 208), x_pixels);
        }
    }
    EXPECT_EQ(p.at(304, 0), 0x80);  // bar between planes 0 and 1
    EXPECT_EQ(p.at(0, 208), 0x80);  // bar between the pages
    EXPECT_EQ(log.text(), "");
}

TEST(ListPreview, RawSectorsGiveTheSamePictureAsTheListImage) {
    temp_dir t;
    std::vector<uint8_t> list = two_text_list();
    std::vector<uint8_t> raw(LIST_RAW_BYTES, 0xEE);
    list_image_to_raw_sectors(list.data(), raw.data());
    ASSERT_EQ(list_image_to_png(log_null(), list.data(), list.size(), t.path("a.png").c_str()), 1);
    ASSERT_EQ(list_image_to_png(log_null(), raw.data(), raw.size(), t.path("b.png").c_str()), 1);
    EXPECT_EQ(read_png(t.path("a.png")).pixels, read_png(t.path("b.png")).pixels);
}

TEST(ListPreview, WrongSizeOrUnwritableFileFails) {
    temp_dir t;
    recording_log log;
    std::vector<uint8_t> list(LIST_IMAGE_SIZE + 1);
    EXPECT_EQ(list_image_to_png(log.sink, list.data(), list.size(), t.path("x.png").c_str()), 0);
    EXPECT_EQ(log.text(), "image list: expected 626688 or 51200 bytes, found 51201\n");
    log.writes.clear();
    EXPECT_EQ(list_image_to_png(log.sink, list.data(), LIST_IMAGE_SIZE,
                                t.path("no/such/dir/x.png").c_str()),
              0);
    EXPECT_EQ(log.text(), "cannot create " + t.path("no/such/dir/x.png") + "\n");
}
