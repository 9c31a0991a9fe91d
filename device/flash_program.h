// Programming a byte range into the board's 512 KiB flash in 256-byte pages.
#pragma once

#include <cstdint>

#include "device/device_context.h"

enum : uint32_t {
    FLASH_PAGE_SIZE = 256,
    FLASH_SIZE = 0x80000,
    // Highest flash address; the range check bounds start + bytes sent by it.
    FLASH_LAST_ADDRESS = FLASH_SIZE - 1,
    // Below lies the board's own firmware; HuCard images and data go here on.
    FLASH_USER_START = 0x30000,
};

// Programs `length` bytes at the flash byte address (a multiple of 256). The
// data is split into pages, a final partial page is completed with 0xFF, and
// pages that are all 0xFF are never sent unless send_blank is set. Sets the
// gauge total to the bytes it will send and steps 256 per page. The first
// failing page stops it; pages already written stay written.
// A length of 0 or less only checks the address. 1 on success, 0 on failure.
int program_region(device_context *ctx, uint32_t address, const uint8_t *data, int64_t length,
                   bool send_blank = false);
