// Save data: one 2 KiB backup RAM page of the board, and the 128 KiB Memory
// Base on the console's controller port (its download is the dump with the
// map "memorybase").
#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/console_memory.h"
#include "device/wire_protocol.h"

namespace {

constexpr size_t PAGE_SIZE = 0x800;
constexpr size_t MEMORYBASE_SIZE = 0x20000;
constexpr size_t SIGNATURE_SIZE = 256;
// The board writes the Memory Base from GPRAM banks 8 to 23.
constexpr unsigned MEMORYBASE_GPRAM_ADDRESS = 0x10000;

}  // namespace

int bkram_upload(device_context *ctx, int page, const char *file) {
    log_sink *l = ctx->log;
    int64_t size = file_size(file);
    if (size < 0) {
        log_line(l, "error opening savedata file");
        return 0;
    }
    if (size != static_cast<int64_t>(PAGE_SIZE)) {
        log_line(l, "savedata file size is not 0x800 bytes");
        return 0;
    }
    std::vector<uint8_t> data(PAGE_SIZE, 0);
    if (!file_read_whole(file, data.data(), data.size())) {
        log_line(l, "error opening savedata file");
        return 0;
    }
    gauge_set_range(l, PAGE_SIZE);
    serial_progress_on(ctx->port);
    int sent = vmk_bkram_write(ctx->port, l, page, 0, data.data(), data.size());
    serial_progress_off(ctx->port);
    if (sent) {
        log_write(l, file);
        log_line(l, " is uploaded");
    } else {
        log_line(l, COMM_ERROR);
    }
    int released = vmk_reset_release(ctx->port, l);
    return sent && released;
}

int bkram_download(device_context *ctx, int page, const char *file) {
    log_sink *l = ctx->log;
    std::vector<uint8_t> data(PAGE_SIZE, 0);
    gauge_set_range(l, PAGE_SIZE);
    serial_progress_on(ctx->port);
    int got = vmk_bkram_read(ctx->port, l, page, data.data(), data.size());
    serial_progress_off(ctx->port);
    if (!got) {
        vmk_reset_release(ctx->port, l);
        log_line(l, COMM_ERROR);
        return 0;
    }
    // The name is written apart from the formatted text so that a long path
    // is never cut by the formatter's buffer.
    int saved = file_write_whole(file, data.data(), data.size());
    log_write(l, file);
    log_write(l, saved ? " has been saved\n" : " - save error\n");
    int released = vmk_reset_release(ctx->port, l);
    return saved && released;
}

int memorybase_detect(device_context *ctx) {
    log_sink *l = ctx->log;
    uint8_t signature[SIGNATURE_SIZE];
    gauge_set_range(l, SIGNATURE_SIZE);
    if (!vmk_bus_read(ctx->port, l, VMK_BUS_MB_SIGNATURE, 0, signature, sizeof signature)) {
        log_line(l, COMM_ERROR);
        return 0;
    }
    if (memcmp(signature, "erR", 3) == 0) {
        log_line(l,
                 "Memory base is not found. Please connect following chain [PCE = MB (= MULTITAP) "
                 "= PAD].");
        log_line(l,
                 "メモリーベースが見つかりません. PCE = MB (= MULTITAP) = PAD "
                 "の順番に接続してください.");
        return 0;
    }
    return 1;
}

int memorybase_upload(device_context *ctx, const char *file) {
    log_sink *l = ctx->log;
    int64_t size = file_size(file);
    if (size <= 0) {
        log_line(l, "error opening image file");
        return 0;
    }
    if (size != static_cast<int64_t>(MEMORYBASE_SIZE)) {
        log_line(l, "image file size is not 131,072 bytes");
        return 0;
    }
    int card = 0;
    if (!vmk_read_hucard(ctx->port, l, &card)) {
        log_line(l, COMM_ERROR);
        return 0;
    }
    if (card) {
        // The Memory Base is reached through the console's bus, which a
        // HuCard in the slot would share.
        log_line(l, "remove a HuCard");
        return 0;
    }
    if (!memorybase_detect(ctx)) {
        vmk_set_map(ctx->port, l, 0);
        return 0;
    }
    log_line(l, "Memory Base is found");
    std::vector<uint8_t> image(MEMORYBASE_SIZE, 0);
    if (!file_read_whole(file, image.data(), image.size())) {
        log_line(l, "error opening image file");
        vmk_set_map(ctx->port, l, 0);
        return 0;
    }
    serial_progress_on(ctx->port);
    gauge_set_range(l, MEMORYBASE_SIZE);
    int uploaded =
        vmk_gpram_write(ctx->port, l, MEMORYBASE_GPRAM_ADDRESS, image.data(), image.size());
    serial_progress_off(ctx->port);
    if (!uploaded) {
        vmk_failure_line(l, "error on uploading into GPRAM");
        return 0;
    }
    log_write(l, "writing ...");
    int written = vmk_reset_release(ctx->port, l);
    if (written) {
        uint8_t reply[SIGNATURE_SIZE];
        gauge_set_range(l, SIGNATURE_SIZE);
        written = vmk_bus_read(ctx->port, l, VMK_BUS_MB_WRITE, 0, reply, sizeof reply);
    }
    log_line(l, written ? "ok" : COMM_ERROR);
    int mapped = vmk_set_map(ctx->port, l, 0);
    return written && mapped;
}
