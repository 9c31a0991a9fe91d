// Firmware packages (.pac) and FPGA configuration files (.jic).
//
// A package is a zlib stream scrambled in 256-byte blocks; unpacked it starts
// with a header of six little-endian 32-bit fields (below), followed by a data
// block and an embedded .jic image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/log.h"
#include "device/device_context.h"

// The one-byte scrambling mask of the package format. Packages built with
// another mask unscramble into garbage and fail to inflate; change the value
// here to match whoever builds the packages.
constexpr uint8_t PACKAGE_SCRAMBLE_MASK = 0x5A;

enum : uint32_t {
    PACKAGE_BLOCK = 256,
    PACKAGE_UNPACKED_MAX = 0xA0000,
    PACKAGE_HEADER_SIZE = 24,
    // A package file is a compressed image of at most PACKAGE_UNPACKED_MAX
    // bytes; anything far larger is not a package and is not read.
    PACKAGE_FILE_MAX = 0x200000,
    PACKAGE_CONFIG_OFFSET_MAX = 0x40000,

    JIC_FILE_SIZE = 524523,
    JIC_DEVICE_NAME_OFFSET = 0x77,
    JIC_IMAGE_OFFSET = 0xAA,
    JIC_IMAGE_SIZE = 0x80000,
};

// Unpacked package header, offsets 0, 4, 8, 12, 16, 20.
struct package_header {
    uint32_t config_offset;   // where the embedded .jic image starts
    uint32_t config_address;  // must be 0
    uint32_t config_size;     // not used
    uint32_t data_offset;
    uint32_t data_address;  // flash address of the data block
    uint32_t data_size;
};

package_header package_header_parse(const uint8_t *unpacked);
// 1 with *h parsed from size inflated bytes when the header is there, the data
// range lies inside them and the configuration offset leaves room for the
// whole .jic image; 0 otherwise (*h then must not be used).
int package_header_read(const uint8_t *unpacked, size_t size, package_header *h);
// Unscrambles the file's bytes in place and inflates them into out
// (PACKAGE_UNPACKED_MAX bytes); *produced receives the bytes produced. An
// inflate failure is reported on standard output. 1 on success, 0 otherwise.
int package_unpack(uint8_t *file, size_t size, uint8_t *out, size_t *produced);
// The byte with its bit order reversed (the flash image's bit order).
uint8_t package_reverse_bits(uint8_t b);

// T[i] = (i with its bits reversed) XOR PACKAGE_SCRAMBLE_MASK.
void package_scramble_table(uint8_t table[256]);
// In place, every whole 256-byte block: B[j] = T[C[T[j]]] with C a copy of B.
void package_unscramble(uint8_t *data, size_t size);
// The inverse, for tools that build packages.
void package_scramble(uint8_t *data, size_t size);

// Reads, unscrambles and inflates the package into out (PACKAGE_UNPACKED_MAX
// bytes); *unpacked_size receives the bytes produced. File errors go to the
// log, an inflate failure to standard output. 1 on success, 0 on failure.
int load_package(log_sink *log, const char *path, uint8_t *out, size_t *unpacked_size);

// Checks the FPGA type against the board's version nibble, reverses the bit
// order of the flash image in place and programs it at flash address 0.
// The image is a .jic layout of at least JIC_IMAGE_OFFSET + JIC_IMAGE_SIZE
// bytes. 1 on success, 0 on failure.
int program_fpga(device_context *ctx, uint8_t *jic);
