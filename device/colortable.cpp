// The colour table: 512 entries of 16 bits stored in the board's flash behind
// a 6-byte header, read by the board when it is powered on.
#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/flash_program.h"

namespace {

constexpr uint32_t COLORTABLE_ADDRESS = 0x60000;
constexpr size_t COLORTABLE_SIZE = 0x400;
constexpr uint8_t COLORTABLE_HEADER[6] = {'P', 'b', 'P', 'r', 'Y', 0xA9};

}  // namespace

int colortable_send(device_context *ctx, const char *file) {
    int64_t size = file_size(file);
    std::vector<uint8_t> record;
    if (size <= 0) {
        // No table: the header page is sent explicitly, all 0xFF, so that the
        // board forgets a table programmed before (program_region would skip
        // it as blank and leave the old header in place).
        record.assign(sizeof COLORTABLE_HEADER, 0xFF);
    } else if (size != static_cast<int64_t>(COLORTABLE_SIZE)) {
        log_line(ctx->log, "file size is not 0x400 bytes");
        return 0;
    } else {
        record.assign(COLORTABLE_HEADER, COLORTABLE_HEADER + sizeof COLORTABLE_HEADER);
        record.resize(sizeof COLORTABLE_HEADER + COLORTABLE_SIZE);
        if (!file_read_whole(file, record.data() + sizeof COLORTABLE_HEADER, COLORTABLE_SIZE)) {
            log_line(ctx->log, "error opening file");
            return 0;
        }
    }
    bool clearing = size <= 0;
    if (!program_region(ctx, COLORTABLE_ADDRESS, record.data(), static_cast<int64_t>(record.size()),
                        clearing))
        return 0;
    log_line(ctx->log, "Turn on the power again.");
    return 1;
}
