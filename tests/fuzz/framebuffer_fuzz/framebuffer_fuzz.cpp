// Fuzz target: arbitrary bytes as the board's answer to a frame request, run
// through the frame read, the active-area search and the PNG planes (files
// are not written). The render callback checks what the viewer relies on.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "device/framebuffer.h"
#include "device/framebuffer_png.h"
#include "device/framebuffer_stream.h"
#include "tests/support/fb_memory_link.h"

namespace {

int check_line(void *, int y, const uint16_t *line, const fb_entry *palette, int count) {
    if (y < 0 || y >= FRAMEBUFFER_HEIGHT || count >= FRAMEBUFFER_WIDTH || palette == nullptr)
        abort();
    for (int x = 0; x < FRAMEBUFFER_WIDTH; x++)
        if (line[x] >= FRAMEBUFFER_PALLETENUM) abort();
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy so that AddressSanitizer sees any over-read.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
    if (size > 0) memcpy(copy.get(), data, size);
    fb_memory_link board{copy.get(), size, 0, {}};
    const fb_link link = board.link();

    framebuffer *fb = fb_create(nullptr, check_line);
    fb_reset(fb);
    if (fb_read_frame(fb, &link, log_null()) && fb_find_active_area(fb, log_null())) {
        fb_png_image image;
        if (!fb_build_png_image(fb, &image)) abort();
        unsigned sum = 0;
        for (int r = 0; r < image.height; r++)
            for (int i = 0; i < image.width; i++)
                sum += image.colour_rows[r][4 * i + 3] + image.sprite_rows[r][i];
        if (image.width <= 0 || image.height <= 0 || sum == 0xFFFFFFFFu) abort();
    }
    fb_destroy(fb);
    return 0;
}
