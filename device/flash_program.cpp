#include "device/flash_program.h"

#include <algorithm>
#include <cstring>

#include "device/wire_protocol.h"

namespace {

// Page i of the data, completed with 0xFF when the data ends inside it.
const uint8_t *page_at(const uint8_t *data, int64_t length, int64_t i,
                       uint8_t scratch[FLASH_PAGE_SIZE]) {
    int64_t at = i * FLASH_PAGE_SIZE;
    if (length - at >= FLASH_PAGE_SIZE) return data + at;
    memset(scratch, 0xFF, FLASH_PAGE_SIZE);
    memcpy(scratch, data + at, static_cast<size_t>(length - at));
    return scratch;
}

bool is_blank(const uint8_t *page) {
    return std::all_of(page, page + FLASH_PAGE_SIZE, [](uint8_t b) { return b == 0xFF; });
}

int out_of_range(device_context *ctx) {
    log_line(ctx->log, "program memory out of range");
    return 0;
}

}  // namespace

int program_region(device_context *ctx, uint32_t address, const uint8_t *data, int64_t length,
                   bool send_blank) {
    if (length <= 0) return address <= FLASH_LAST_ADDRESS ? 1 : out_of_range(ctx);
    // The page command carries address bits 8-23 only: an address inside a
    // page would silently program the data 1 to 255 bytes too low.
    if (address % FLASH_PAGE_SIZE != 0) {
        log_line(ctx->log, "program address is not a multiple of 0x100");
        return 0;
    }
    uint8_t scratch[FLASH_PAGE_SIZE];
    int64_t pages = (length + FLASH_PAGE_SIZE - 1) / FLASH_PAGE_SIZE;
    int64_t to_send = 0;
    int64_t last_sent = -1;
    for (int64_t i = 0; i < pages; i++) {
        if (send_blank || !is_blank(page_at(data, length, i, scratch))) {
            to_send += FLASH_PAGE_SIZE;
            last_sent = i;
        }
    }
    if (address + to_send > FLASH_LAST_ADDRESS) return out_of_range(ctx);
    // Blank pages do not count towards the bound above, so a page sent after a
    // run of blank ones could still land beyond the flash.
    if (last_sent >= 0 && address + (last_sent + 1) * FLASH_PAGE_SIZE > FLASH_LAST_ADDRESS + 1)
        return out_of_range(ctx);

    gauge_set_range(ctx->log, to_send);
    for (int64_t i = 0; i < pages; i++) {
        const uint8_t *page = page_at(data, length, i, scratch);
        if (!send_blank && is_blank(page)) continue;
        if (log_stop_point(ctx->log)) return 0;
        uint32_t at = address + static_cast<uint32_t>(i) * FLASH_PAGE_SIZE;
        if (!vmk_page_program(ctx->port, ctx->log, at, page)) return 0;
        gauge_step(ctx->log, FLASH_PAGE_SIZE);
    }
    return 1;
}
