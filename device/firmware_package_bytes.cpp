// The package's bytes as read from a file: unscrambling, inflating and the
// header. Everything here takes its offsets from the file, so it is kept apart
// from the programming and fuzzed on its own.
#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "core/internal_error.h"
#include "device/firmware_package.h"

namespace {

uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}


// Output is one call with Z_FINISH into the fixed buffer: a package that
// inflates to more than the buffer fails like a corrupt one.
int inflate_package(uint8_t *in, size_t in_size, uint8_t *out, size_t *produced) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        internal_error("inflateInit");
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

}  // namespace

package_header package_header_parse(const uint8_t *u) {
    return {le32(u), le32(u + 4), le32(u + 8), le32(u + 12), le32(u + 16), le32(u + 20)};
}

void package_scramble_table(uint8_t table[256]) {
    for (int i = 0; i < 256; i++)
        table[i] =
            static_cast<uint8_t>(package_reverse_bits(static_cast<uint8_t>(i)) ^ PACKAGE_SCRAMBLE_MASK);
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

uint8_t package_reverse_bits(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int package_header_read(const uint8_t *unpacked, size_t size, package_header *h) {
    *h = package_header{};
    if (size < PACKAGE_HEADER_SIZE) return 0;
    *h = package_header_parse(unpacked);
    if (static_cast<uint64_t>(h->data_offset) + h->data_size > size) return 0;
    return static_cast<uint64_t>(h->config_offset) + JIC_IMAGE_OFFSET + JIC_IMAGE_SIZE <= size;
}

int package_unpack(uint8_t *file, size_t size, uint8_t *out, size_t *produced) {
    package_unscramble(file, size);
    return inflate_package(file, size, out, produced);
}
