// SHA-1 of a byte buffer, for dump reports (preservation databases list it)
// and for checking compressed disc images, whose data is hashed piece by
// piece as it is decompressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct sha1_context {
    uint32_t h[5];
    uint8_t block[64];
    size_t filled;   // bytes of block in use
    uint64_t total;  // bytes hashed so far
};

void sha1_init(sha1_context *c);
void sha1_update(sha1_context *c, const uint8_t *data, size_t n);
// The digest of everything passed to sha1_update; c must be set up again
// before further use.
void sha1_final(sha1_context *c, uint8_t out[20]);

// For tests: whether the processor's SHA instructions are used where it has
// them (the default), or the portable rounds always.
void sha1_allow_hardware(bool allowed);

void sha1_digest(const uint8_t *data, size_t n, uint8_t out[20]);
// 40 lower-case hexadecimal digits.
std::string sha1_hex(const uint8_t *data, size_t n);
// A digest as 40 lower-case hexadecimal digits.
std::string sha1_digest_hex(const uint8_t digest[20]);
