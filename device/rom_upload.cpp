// HuCard images into GPRAM or flash, and raw data into flash.
#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/flash_program.h"
#include "device/wire_protocol.h"

namespace {

enum : uint32_t {
    GPRAM_ROM_LIMIT = 0x80000,
    ROMRAM_LIMIT = 0x40000,
    FLASH_ROM_LIMIT = 0x40000,
    FLASH_ROM_ADDRESS = 0x30000,
    // Where the flash ROM configuration record lives: backup RAM page 3,
    // offset 96 (port 2, address 0x1860).
    FLASH_ROM_RECORD_PAGE = 3,
    FLASH_ROM_RECORD_OFFSET = 96,
    // The flash holds 512 KiB; no file larger than that can fit anywhere.
    FLASH_SIZE = 0x80000,
};

// Control register maps that present an uploaded image.
enum { MAPPING_ROMRAM = 2, MAPPING_ROM = 4, MAPPING_ROM_384K = 5, MAPPING_ROM_512K = 6 };

uint32_t size_limit(int destination, int map) {
    if (destination == DEST_GPRAM && map == MAP_IFURAM_ROM) return GPRAM_ROM_LIMIT;
    return destination == DEST_GPRAM ? ROMRAM_LIMIT : FLASH_ROM_LIMIT;
}

int mapping_code(int map, uint32_t size) {
    if (map == MAP_IFURAM_ROMRAM) return MAPPING_ROMRAM;
    if (size == 0x60000) return MAPPING_ROM_384K;
    if (size == 0x80000) return MAPPING_ROM_512K;
    return MAPPING_ROM;
}

// The file in a buffer of whole flash pages, 0xFF beyond its end; empty when
// it cannot be read.
std::vector<uint8_t> read_padded(const char *file, size_t size) {
    std::vector<uint8_t> buffer((size + FLASH_PAGE_SIZE - 1) / FLASH_PAGE_SIZE * FLASH_PAGE_SIZE,
                                0xFF);
    if (!file_read_whole(file, buffer.data(), size)) buffer.clear();
    return buffer;
}

int upload_gpram(device_context *ctx, const char *file, uint32_t size, int code) {
    std::vector<uint8_t> image(size);
    if (!file_read_whole(file, image.data(), size)) {
        log_line(ctx->log, "error opening image file");
        return 0;
    }
    serial_progress_on(ctx->port);
    gauge_set_range(ctx->log, size);
    int ok = vmk_gpram_write(ctx->port, ctx->log, 0, image.data(), size);
    serial_progress_off(ctx->port);
    // A partial image must not be presented to the console.
    if (!ok) log_stop_point(ctx->log);
    return ok && vmk_set_map(ctx->port, ctx->log, code);
}

int upload_flash(device_context *ctx, const char *file, uint32_t size, int code) {
    std::vector<uint8_t> image = read_padded(file, size);
    if (image.empty()) {
        log_line(ctx->log, "error opening image file");
        return 0;
    }
    if (!program_region(ctx, FLASH_ROM_ADDRESS, image.data(), static_cast<int64_t>(image.size())))
        return 0;
    uint8_t record[2] = {static_cast<uint8_t>(code), static_cast<uint8_t>(size / VMK_BANK_SIZE)};
    if (!vmk_bkram_write(ctx->port, ctx->log, FLASH_ROM_RECORD_PAGE, FLASH_ROM_RECORD_OFFSET,
                         record, sizeof record))
        return 0;
    log_line(ctx->log, "programming is done. Turn on the power again");
    return 1;
}

}  // namespace

int rom_upload(device_context *ctx, int destination, int map, const char *file) {
    int64_t size = file_size(file);
    if (size <= 0) {
        log_line(ctx->log, "error opening image file");
        return 0;
    }
    uint32_t limit = size_limit(destination, map);
    if (size > limit) {
        log_line(ctx->log, "image file size is too large");
        log_printf(ctx->log, "limit 0x%x byte, imagesize 0x%llx byte\n", limit,
                   static_cast<unsigned long long>(size));
        return 0;
    }
    if (size % VMK_BANK_SIZE != 0) {
        log_line(ctx->log, "image file size is not 0x2000 * n");
        return 0;
    }
    uint32_t bytes = static_cast<uint32_t>(size);
    int code = mapping_code(map, bytes);
    return destination == DEST_GPRAM ? upload_gpram(ctx, file, bytes, code)
                                     : upload_flash(ctx, file, bytes, code);
}

int flash_program_data(device_context *ctx, uint32_t address, const char *file) {
    int64_t size = file_size(file);
    if (size <= 0) {
        log_line(ctx->log, "error opening file");
        return 0;
    }
    if (size > FLASH_SIZE) {
        log_line(ctx->log, "program memory out of range");
        return 0;
    }
    std::vector<uint8_t> data = read_padded(file, static_cast<size_t>(size));
    if (data.empty()) {
        log_line(ctx->log, "error opening file");
        return 0;
    }
    return program_region(ctx, address, data.data(), static_cast<int64_t>(data.size()));
}
