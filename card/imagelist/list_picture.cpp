#include "card/imagelist/list_picture.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/file_replace.h"
#include "core/log_whole.h"

namespace {

const uint8_t SET_PIXEL = 0xFF;
const uint8_t CLEAR_PIXEL = 0x00;
const uint8_t BAR_PIXEL = 0x80;

void draw_page(std::vector<uint8_t> &picture, const uint8_t *page, size_t page_bytes, int top) {
    for (int y = 0; y < LIST_PAGE_HEIGHT; y++) {
        uint8_t *row = picture.data() + static_cast<size_t>(top + y) * LIST_PREVIEW_WIDTH;
        for (int x = 0; x < LIST_PAGE_WIDTH; x++) {
            int planes = list_page_pixel(page, page_bytes, x, y);
            for (int p = 0; p < 4; p++) {
                row[p * (int{LIST_PAGE_WIDTH} + LIST_PREVIEW_GAP) + x] =
                    planes & (1 << p) ? SET_PIXEL : CLEAR_PIXEL;
            }
        }
    }
}

}  // namespace

int list_image_to_png(log_sink *log, const uint8_t *data, size_t size, const char *png_name) {
    if (log == nullptr) log = log_null();
    std::vector<uint8_t> list(LIST_IMAGE_SIZE);
    if (data != nullptr && size == LIST_RAW_BYTES) {
        list_image_from_raw_sectors(data, list.data());
    } else if (data != nullptr && size == LIST_IMAGE_SIZE) {
        memcpy(list.data(), data, LIST_IMAGE_SIZE);
    } else {
        log_printf(log, "image list: expected %d or %d bytes, found %zu\n", LIST_RAW_BYTES,
                   LIST_IMAGE_SIZE, size);
        return 0;
    }

    std::vector<uint8_t> picture(static_cast<size_t>(LIST_PREVIEW_WIDTH) * LIST_PREVIEW_HEIGHT,
                                 BAR_PIXEL);
    draw_page(picture, list.data() + LIST_FIRST_PAGE_OFFSET, LIST_PAGE_SIZE, 0);
    draw_page(picture, list.data() + LIST_SECOND_PAGE_OFFSET, LIST_SECOND_PAGE_KEPT,
              int{LIST_PAGE_HEIGHT} + LIST_PREVIEW_GAP);

    // A failed picture must not cost the one saved before under that name.
    file_replace out;
    if (!file_replace_begin(&out, png_name)) {
        log_printf_whole(log, "cannot create %s\n", png_name);
        return 0;
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = LIST_PREVIEW_WIDTH;
    image.height = LIST_PREVIEW_HEIGHT;
    image.format = PNG_FORMAT_GRAY;
    int written = png_image_write_to_stdio(&image, out.stream, 0, picture.data(), 0, nullptr);
    written = written && file_replace_commit(&out);
    png_image_free(&image);
    if (!written) {
        file_replace_abandon(&out);
        log_printf_whole(log, "%s: %s\n", png_name,
                         image.warning_or_error ? image.message : "write error");
        return 0;
    }
    return 1;
}
