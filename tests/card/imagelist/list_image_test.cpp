#include "card/imagelist/list_image.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Byte positions checked directly, since decoding shares the layout with
// encoding and would not notice a swap of planes or rows.
TEST(ListPage, CanvasPixelsLandInTheConsoleCharacterLayout) {
    auto canvas = std::make_unique<label_canvas>();
    label_canvas_clear(canvas.get());
    canvas->pixels[0][0] = 0xF;      // canvas row 0 is not part of the page
    canvas->pixels[1][0] = 0x1;      // page (0, 0): character 0, row 0, leftmost
    canvas->pixels[2][9] = 0x2;      // page (9, 1): character 1, row 1, second pixel
    canvas->pixels[11][7] = 0x4;     // page (7, 10): character 38, row 2, rightmost
    canvas->pixels[208][303] = 0x8;  // last pixel of the last character
    canvas->pixels[100][304] = 0xF;  // columns 304.. are not part of the page
    std::vector<uint8_t> page(LIST_PAGE_SIZE, 0xEE);
    list_page_from_canvas(*canvas, page.data());

    std::vector<uint8_t> expected(LIST_PAGE_SIZE, 0);
    expected[0] = 0x80;                                 // plane 0 of row 0
    expected[32 + 2 * 1 + 1] = 0x40;                    // plane 1 of row 1
    expected[38 * 32 + 16 + 2 * 2] = 0x01;              // plane 2 of row 2
    expected[LIST_PAGE_SIZE - 32 + 17 + 2 * 7] = 0x01;  // plane 3 of row 7
    EXPECT_EQ(page, expected);

    EXPECT_EQ(list_page_pixel(page.data(), LIST_PAGE_SIZE, 303, 207), 8);
    EXPECT_EQ(list_page_pixel(page.data(), LIST_PAGE_SIZE, 9, 1), 2);
    // Characters beyond the bytes present read as blank.
    EXPECT_EQ(list_page_pixel(page.data(), LIST_PAGE_SIZE - 32, 303, 207), 0);
}
