// HuCard ROM dump over the console's bus: the bank probe finds the size of a
// plain card, the banks are read 7 at a time, and the whole image is held in
// memory before the file is written, so a failed read leaves no file.
#include <zlib.h>

#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/console_memory.h"
#include "device/wire_protocol.h"

namespace {

constexpr size_t PROBE_SIZE = 256;
constexpr size_t PROBE_HALF = 128;
constexpr unsigned UPPER_HALF_BANK = 0x40;
constexpr unsigned FIRST_MEMORYBASE_BANK = 0xC0;
constexpr unsigned MEMORYBASE_BANKS = 16;
constexpr unsigned SF2_PAGE_BANKS = 64;  // one 512 KiB page of the mapper
constexpr unsigned SF2_UPPER_PAGES = 4;
constexpr size_t SF2_SIZE = 0x280000;

// Every bank read ends the same way: progress off and the console released,
// whether or not the banks arrived. *settled tells whether the release worked.
std::vector<uint8_t> finish_bank_read(device_context *ctx, int read, std::vector<uint8_t> image,
                                      int *settled) {
    serial_progress_off(ctx->port);
    int released = vmk_reset_release(ctx->port, ctx->log);
    if (!read) {
        vmk_failure_line(ctx->log, COMM_ERROR);
        return {};
    }
    *settled = released;
    return image;
}

// Each read gives the bytes, or nothing after reporting the failure. *settled
// is cleared when the board could not be put back afterwards (console
// released, or map 0 for the Memory Base); the primitive has said why.
std::vector<uint8_t> read_memorybase(device_context *ctx, int *settled) {
    log_sink *l = ctx->log;
    if (!memorybase_detect(ctx)) {
        vmk_set_map(ctx->port, l, 0);
        return {};
    }
    std::vector<uint8_t> image(MEMORYBASE_BANKS * VMK_BANK_SIZE);
    gauge_set_range(l, static_cast<int64_t>(image.size()));
    int read =
        vmk_bus_banks(ctx->port, l, FIRST_MEMORYBASE_BANK, 0, image.data(), MEMORYBASE_BANKS);
    serial_progress_off(ctx->port);
    int mapped = vmk_set_map(ctx->port, l, 0);
    if (!read) {
        vmk_failure_line(l, COMM_ERROR);
        return {};
    }
    *settled = mapped;
    return image;
}

std::vector<uint8_t> read_plain_card(device_context *ctx, int map, int *settled) {
    log_sink *l = ctx->log;
    int card = 0;
    if (!vmk_read_hucard(ctx->port, l, &card)) {
        log_line(l, COMM_ERROR);
        return {};
    }
    if (!card) {
        log_line(l, "HuCard slot is empty");
        return {};
    }
    uint8_t probe[PROBE_SIZE];
    gauge_set_range(l, PROBE_SIZE);
    if (!vmk_bus_read(ctx->port, l, VMK_BUS_PROBE, 0, probe, sizeof probe)) {
        // The board may have been part way through a bus access.
        vmk_reset_release(ctx->port, l);
        log_line(l, COMM_ERROR);
        return {};
    }
    unsigned first = static_cast<unsigned>(probe_banks(probe));
    unsigned second = 0;
    if (map == MAP_DUMP_GENERIC && memcmp(probe, probe + PROBE_HALF, PROBE_HALF) != 0)
        second = static_cast<unsigned>(probe_banks(probe + PROBE_HALF));
    log_printf(l, "page size: 0x%02x+0x%02x\n", first, second);

    std::vector<uint8_t> image(static_cast<size_t>(first + second) * VMK_BANK_SIZE);
    gauge_set_range(l, static_cast<int64_t>(image.size()));
    int read = vmk_bus_banks(ctx->port, l, 0, 0, image.data(), first) &&
               vmk_bus_banks(ctx->port, l, UPPER_HALF_BANK, 0,
                             image.data() + static_cast<size_t>(first) * VMK_BANK_SIZE, second);
    return finish_bank_read(ctx, read, std::move(image), settled);
}

// The banked card: the lower 512 KiB is fixed, the upper half shows one of
// four 512 KiB pages chosen by the argument.
std::vector<uint8_t> read_sf2(device_context *ctx, int *settled) {
    log_sink *l = ctx->log;
    log_printf(l, "page size: 0x%02x+0x%02x\n", SF2_PAGE_BANKS, SF2_PAGE_BANKS * SF2_UPPER_PAGES);
    std::vector<uint8_t> image(SF2_SIZE);
    gauge_set_range(l, static_cast<int64_t>(image.size()));
    const size_t page_bytes = static_cast<size_t>(SF2_PAGE_BANKS) * VMK_BANK_SIZE;
    int read = vmk_bus_banks(ctx->port, l, 0, 0, image.data(), SF2_PAGE_BANKS);
    for (unsigned page = 0; read && page < SF2_UPPER_PAGES; page++)
        read = vmk_bus_banks(ctx->port, l, UPPER_HALF_BANK, static_cast<uint8_t>(page),
                             image.data() + (page + 1) * page_bytes, SF2_PAGE_BANKS);
    return finish_bank_read(ctx, read, std::move(image), settled);
}

}  // namespace

// The probe half repeats with the card's bank count: halve while the two
// halves of the current window agree, and the window left is one period.
int probe_banks(const uint8_t half[128]) {
    int len = 64;
    while (len > 1 && memcmp(half, half + len / 2, static_cast<size_t>(len / 2)) == 0) len /= 2;
    return len;
}

size_t hucard_dump(device_context *ctx, int map, const char *file, int *ok) {
    assert((map == MAP_DUMP_GENERIC || map == MAP_DUMP_SF2CE || map == MAP_DUMP_ROMRAM ||
            map == MAP_DUMP_MEMORYBASE) &&
           "mapping == MAP_DUMP_GENERIC || mapping == MAP_DUMP_SF2CE || mapping == "
           "MAP_DUMP_ROMRAM || mapping == MAP_DUMP_MEMORYBASE");
    *ok = 0;
    int settled = 1;
    std::vector<uint8_t> image;
    if (map == MAP_DUMP_MEMORYBASE)
        image = read_memorybase(ctx, &settled);
    else if (map == MAP_DUMP_SF2CE)
        image = read_sf2(ctx, &settled);
    else
        image = read_plain_card(ctx, map, &settled);
    if (image.empty()) return 0;

    log_sink *l = ctx->log;
    log_write(l, file);
    if (file_write_whole(file, image.data(), image.size())) {
        uLong crc = crc32(0L, Z_NULL, 0);
        crc = crc32(crc, image.data(), static_cast<uInt>(image.size()));
        log_printf(l, " has been saved. CRC32:%08lX\n", static_cast<unsigned long>(crc));
        *ok = settled;
    } else {
        log_line(l, " - save error");
    }
    return image.size();
}
