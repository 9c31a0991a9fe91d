#include "device/firmware_package.h"

#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "core/log_whole.h"
#include "device/device_ops.h"
#include "device/flash_program.h"
#include "device/wire_protocol.h"

int load_package(log_sink *log, const char *path, uint8_t *out, size_t *unpacked_size) {
    *unpacked_size = 0;
    int64_t size = file_size(path);
    if (size <= 0 || size > PACKAGE_FILE_MAX) {
        log_printf_whole(log, "%s filesize error\n", path);
        return 0;
    }
    if (size % PACKAGE_BLOCK != 0) {
        log_printf_whole(log, "%s alignment error\n", path);
        return 0;
    }
    std::vector<uint8_t> in(static_cast<size_t>(size));
    if (!file_read_whole(path, in.data(), in.size())) {
        log_printf_whole(log, "%s open error\n", path);
        return 0;
    }
    return package_unpack(in.data(), in.size(), out, unpacked_size);
}

int program_fpga(device_context *ctx, uint8_t *jic) {
    int nibble;
    if (!vmk_read_version(ctx->port, ctx->log, &nibble)) {
        log_line(ctx->log, "error reading version register");
        return 0;
    }
    const char *expected = (nibble & 1) ? "EP2C8" : "EP2C5";
    if (memcmp(jic + JIC_DEVICE_NAME_OFFSET, expected, 6) != 0) {
        log_line(ctx->log, "\rFPGA device is incorrect");
        return 0;
    }
    uint8_t *image = jic + JIC_IMAGE_OFFSET;
    for (size_t i = 0; i < JIC_IMAGE_SIZE; i++) image[i] = package_reverse_bits(image[i]);
    return program_region(ctx, 0, image, JIC_IMAGE_SIZE);
}

int program_pac_file(device_context *ctx, const char *file) {
    std::vector<uint8_t> unpacked(PACKAGE_UNPACKED_MAX);
    size_t produced;
    if (!load_package(ctx->log, file, unpacked.data(), &produced)) return 0;
    package_header h;
    if (!package_header_read(unpacked.data(), produced, &h)) {
        log_printf_whole(ctx->log, "%s package header error\n", file);
        return 0;
    }
    if (!vmk_reset_hold(ctx->port, ctx->log)) {
        log_line(ctx->log, "reset error");
        return 0;
    }
    log_line(ctx->log, "Do not turn off the power until programming is completed.");
    if (!program_region(ctx, h.data_address, unpacked.data() + h.data_offset, h.data_size))
        return 0;
    if (h.config_address != 0 || h.config_offset > PACKAGE_CONFIG_OFFSET_MAX) {
        log_line(ctx->log, "jic parameter error");
        return 0;
    }
    if (!program_fpga(ctx, unpacked.data() + h.config_offset)) return 0;
    log_line(ctx->log, "Success. Turn on the power again.");
    return 1;
}

int program_jic_file(device_context *ctx, const char *file) {
    if (file_size(file) != JIC_FILE_SIZE) {
        log_line(ctx->log, "jic filesize error");
        return 0;
    }
    std::vector<uint8_t> jic(JIC_FILE_SIZE);
    if (!file_read_whole(file, jic.data(), jic.size())) {
        log_line(ctx->log, "error opening file");
        return 0;
    }
    return program_fpga(ctx, jic.data());
}
