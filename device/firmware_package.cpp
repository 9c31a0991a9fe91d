#include "device/firmware_package.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/flash_program.h"
#include "device/wire_protocol.h"

namespace {

uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint8_t reverse_bits(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Output is one call with Z_FINISH into the fixed buffer: a package that
// inflates to more than the buffer fails like a corrupt one.
int inflate_package(uint8_t *in, size_t in_size, uint8_t *out, size_t *produced) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        fputs("internal error: inflateInit\n", stderr);
        return 0;
    }
    z.next_in = in;
    z.avail_in = static_cast<uInt>(in_size);
    z.next_out = out;
    z.avail_out = PACKAGE_UNPACKED_MAX;
    int r = inflate(&z, Z_FINISH);
    *produced = z.total_out;
    if (r != Z_STREAM_END) {
        printf("inflate error\n");
        printf("in:0x%x, out:0x%x\n", z.avail_in, static_cast<unsigned>(z.total_out));
        fflush(stdout);
    }
    inflateEnd(&z);
    return r == Z_STREAM_END;
}

// Both ranges of the header must lie inside the inflated bytes, and the
// configuration offset must leave room for the whole .jic image.
bool package_ranges_fit(const package_header &h, size_t unpacked) {
    if (unpacked < PACKAGE_HEADER_SIZE) return false;
    if (static_cast<uint64_t>(h.data_offset) + h.data_size > unpacked) return false;
    return static_cast<uint64_t>(h.config_offset) + JIC_IMAGE_OFFSET + JIC_IMAGE_SIZE <= unpacked;
}

}  // namespace

package_header package_header_parse(const uint8_t *u) {
    return {le32(u), le32(u + 4), le32(u + 8), le32(u + 12), le32(u + 16), le32(u + 20)};
}

void package_scramble_table(uint8_t table[256]) {
    for (int i = 0; i < 256; i++)
        table[i] =
            static_cast<uint8_t>(reverse_bits(static_cast<uint8_t>(i)) ^ PACKAGE_SCRAMBLE_MASK);
}

void package_unscramble(uint8_t *data, size_t size) {
    uint8_t t[256], c[256];
    package_scramble_table(t);
    for (size_t at = 0; at + PACKAGE_BLOCK <= size; at += PACKAGE_BLOCK) {
        memcpy(c, data + at, PACKAGE_BLOCK);
        for (int j = 0; j < 256; j++) data[at + j] = t[c[t[j]]];
    }
}

void package_scramble(uint8_t *data, size_t size) {
    uint8_t t[256], inverse[256], c[256];
    package_scramble_table(t);
    for (int i = 0; i < 256; i++) inverse[t[i]] = static_cast<uint8_t>(i);
    // The unscrambled block U comes back from B[k] = T^-1[U[T^-1[k]]].
    for (size_t at = 0; at + PACKAGE_BLOCK <= size; at += PACKAGE_BLOCK) {
        memcpy(c, data + at, PACKAGE_BLOCK);
        for (int k = 0; k < 256; k++) data[at + k] = inverse[c[inverse[k]]];
    }
}

int load_package(log_sink *log, const char *path, uint8_t *out, size_t *unpacked_size) {
    *unpacked_size = 0;
    int64_t size = file_size(path);
    if (size <= 0 || size > PACKAGE_FILE_MAX) {
        log_printf(log, "%s filesize error\n", path);
        return 0;
    }
    if (size % PACKAGE_BLOCK != 0) {
        log_printf(log, "%s alignment error\n", path);
        return 0;
    }
    std::vector<uint8_t> in(static_cast<size_t>(size));
    if (!file_read_whole(path, in.data(), in.size())) {
        log_printf(log, "%s open error\n", path);
        return 0;
    }
    package_unscramble(in.data(), in.size());
    return inflate_package(in.data(), in.size(), out, unpacked_size);
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
    for (size_t i = 0; i < JIC_IMAGE_SIZE; i++) image[i] = reverse_bits(image[i]);
    return program_region(ctx, 0, image, JIC_IMAGE_SIZE);
}

int program_pac_file(device_context *ctx, const char *file) {
    std::vector<uint8_t> unpacked(PACKAGE_UNPACKED_MAX);
    size_t produced;
    if (!load_package(ctx->log, file, unpacked.data(), &produced)) return 0;
    package_header h{};
    if (produced >= PACKAGE_HEADER_SIZE) h = package_header_parse(unpacked.data());
    if (!package_ranges_fit(h, produced)) {
        log_printf(ctx->log, "%s package header error\n", file);
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
