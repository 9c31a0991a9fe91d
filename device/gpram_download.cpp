// GPRAM read-back: a range of whole 8 KiB banks into a file.
#include <algorithm>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/console_memory.h"
#include "device/wire_protocol.h"

int gpram_download(device_context *ctx, uint32_t address, uint32_t length, const char *file) {
    log_sink *l = ctx->log;
    gauge_set_range(l, length);
    // At least one byte so that an empty range still has a buffer to hand on.
    std::vector<uint8_t> data(std::max<size_t>(length, 1));
    serial_progress_on(ctx->port);
    int got = vmk_gpram_read(ctx->port, l, address, data.data(), length);
    serial_progress_off(ctx->port);
    if (!got) {
        vmk_reset_release(ctx->port, l);
        vmk_failure_line(l, COMM_ERROR);
        return 0;
    }
    int saved = file_write_whole(file, data.data(), length);
    log_write(l, file);
    log_line(l, saved ? " has been saved" : " - save error");
    int released = vmk_reset_release(ctx->port, l);
    return saved && released;
}
