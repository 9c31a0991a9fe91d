// The image list as the board reads it from a block's index disc.
//
// A page is 26 rows of 38 characters (304 x 208 pixels); a character is 32
// bytes in the console's video-memory layout: for pixel row r, byte 2r holds
// plane 0, 2r+1 plane 1, 16+2r plane 2, 17+2r plane 3, most significant bit
// leftmost. The list image is the 2048-byte settings sector, the first page
// and the first 17536 bytes of the second: 25 blocks of 2048 bytes, stored as
// raw sectors 1..25 of the index disc.
#pragma once

#include <cstddef>
#include <cstdint>

#include "card/imagelist/label_canvas.h"

enum {
    LIST_SETTINGS_SIZE = 2048,
    LIST_PAGE_COLUMNS = 38,
    LIST_PAGE_ROWS = 26,
    LIST_PAGE_WIDTH = 8 * LIST_PAGE_COLUMNS,
    LIST_PAGE_HEIGHT = 8 * LIST_PAGE_ROWS,
    LIST_CHAR_BYTES = 32,
    LIST_PAGE_SIZE = LIST_PAGE_COLUMNS * LIST_PAGE_ROWS * LIST_CHAR_BYTES,  // 31616
    LIST_SECOND_PAGE_KEPT = 17536,
    LIST_FIRST_PAGE_OFFSET = LIST_SETTINGS_SIZE,
    LIST_SECOND_PAGE_OFFSET = LIST_FIRST_PAGE_OFFSET + LIST_PAGE_SIZE,
    LIST_IMAGE_SIZE = LIST_SECOND_PAGE_OFFSET + LIST_SECOND_PAGE_KEPT,  // 51200
    LIST_BLOCK_SIZE = 2048,                                             // CD user data
    LIST_BLOCKS = LIST_IMAGE_SIZE / LIST_BLOCK_SIZE,                    // 25

    // A raw sector as the card stores disc images: subchannel, sync and
    // header, user data, error detection and correction.
    LIST_RAW_SUBCHANNEL_SIZE = 96,
    LIST_RAW_HEADER_SIZE = 16,
    LIST_RAW_ECC_SIZE = 288,
    LIST_RAW_SECTOR_SIZE =
        LIST_RAW_SUBCHANNEL_SIZE + LIST_RAW_HEADER_SIZE + LIST_BLOCK_SIZE + LIST_RAW_ECC_SIZE,
    LIST_RAW_SECTORS = 256,                                    // read and written back as a whole
    LIST_RAW_BYTES = LIST_RAW_SECTORS * LIST_RAW_SECTOR_SIZE,  // 626688
    LIST_FIRST_RAW_SECTOR = 1,
};

// Canvas rows 1..208 become the page's character rows; columns 304..319 are
// left out.
void list_page_from_canvas(const label_canvas &canvas, uint8_t page[LIST_PAGE_SIZE]);

// Plane bits (0..15) of pixel (x, y) of a page of which only the first
// page_bytes are present; pixels beyond them, or outside the page, read 0.
int list_page_pixel(const uint8_t *page, size_t page_bytes, int x, int y);

// Rewrites raw sectors 1..25 around the list image (fill bytes: subchannel
// 0x55, sync and header 0x11, error correction 0x22); other sectors stay.
void list_image_to_raw_sectors(const uint8_t list[LIST_IMAGE_SIZE], uint8_t raw[LIST_RAW_BYTES]);
// Gathers the user data of raw sectors 1..25.
void list_image_from_raw_sectors(const uint8_t raw[LIST_RAW_BYTES], uint8_t list[LIST_IMAGE_SIZE]);
