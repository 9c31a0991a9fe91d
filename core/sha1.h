// SHA-1 of a byte buffer, for dump reports (preservation databases list it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void sha1_digest(const uint8_t *data, size_t n, uint8_t out[20]);
// 40 lower-case hexadecimal digits.
std::string sha1_hex(const uint8_t *data, size_t n);
