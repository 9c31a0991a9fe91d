#include "card/imagelist/list_image.h"

#include <cstring>

namespace {

const uint8_t FILL_SUBCHANNEL = 0x55;
const uint8_t FILL_HEADER = 0x11;
const uint8_t FILL_ECC = 0x22;

const size_t RAW_DATA_OFFSET = LIST_RAW_SUBCHANNEL_SIZE + LIST_RAW_HEADER_SIZE;

size_t raw_sector_offset(int block) {
    return static_cast<size_t>(LIST_FIRST_RAW_SECTOR + block) * LIST_RAW_SECTOR_SIZE;
}

}  // namespace

void list_page_from_canvas(const label_canvas &canvas, uint8_t page[LIST_PAGE_SIZE]) {
    for (int row = 0; row < LIST_PAGE_ROWS; row++) {
        for (int k = 0; k < LIST_PAGE_COLUMNS; k++) {
            uint8_t *ch = page + (row * LIST_PAGE_COLUMNS + k) * LIST_CHAR_BYTES;
            memset(ch, 0, LIST_CHAR_BYTES);
            for (int r = 0; r < 8; r++) {
                const uint8_t *pixels = canvas.pixels[1 + 8 * row + r] + 8 * k;
                for (int c = 0; c < 8; c++) {
                    uint8_t bit = static_cast<uint8_t>(0x80 >> c);
                    if (pixels[c] & 1) ch[2 * r] |= bit;
                    if (pixels[c] & 2) ch[2 * r + 1] |= bit;
                    if (pixels[c] & 4) ch[16 + 2 * r] |= bit;
                    if (pixels[c] & 8) ch[17 + 2 * r] |= bit;
                }
            }
        }
    }
}

int list_page_pixel(const uint8_t *page, size_t page_bytes, int x, int y) {
    if (x < 0 || y < 0 || x >= LIST_PAGE_WIDTH || y >= LIST_PAGE_HEIGHT) return 0;
    size_t offset = static_cast<size_t>((y / 8) * LIST_PAGE_COLUMNS + x / 8) * LIST_CHAR_BYTES;
    if (offset + LIST_CHAR_BYTES > page_bytes) return 0;
    const uint8_t *ch = page + offset;
    int r = y % 8;
    int bit = 0x80 >> (x % 8);
    return (ch[2 * r] & bit ? 1 : 0) | (ch[2 * r + 1] & bit ? 2 : 0) |
           (ch[16 + 2 * r] & bit ? 4 : 0) | (ch[17 + 2 * r] & bit ? 8 : 0);
}

void list_image_to_raw_sectors(const uint8_t list[LIST_IMAGE_SIZE], uint8_t raw[LIST_RAW_BYTES]) {
    for (int k = 0; k < LIST_BLOCKS; k++) {
        uint8_t *s = raw + raw_sector_offset(k);
        memset(s, FILL_SUBCHANNEL, LIST_RAW_SUBCHANNEL_SIZE);
        memset(s + LIST_RAW_SUBCHANNEL_SIZE, FILL_HEADER, LIST_RAW_HEADER_SIZE);
        memcpy(s + RAW_DATA_OFFSET, list + k * LIST_BLOCK_SIZE, LIST_BLOCK_SIZE);
        memset(s + RAW_DATA_OFFSET + LIST_BLOCK_SIZE, FILL_ECC, LIST_RAW_ECC_SIZE);
    }
}

void list_image_from_raw_sectors(const uint8_t raw[LIST_RAW_BYTES], uint8_t list[LIST_IMAGE_SIZE]) {
    for (int k = 0; k < LIST_BLOCKS; k++) {
        memcpy(list + k * LIST_BLOCK_SIZE, raw + raw_sector_offset(k) + RAW_DATA_OFFSET,
               LIST_BLOCK_SIZE);
    }
}
