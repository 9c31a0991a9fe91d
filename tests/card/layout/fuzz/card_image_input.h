// One fuzz input: a card image held in memory, opened and listed through the
// card layout's read paths.
//
// Input format (compact, so that mutations land on structure rather than on
// megabytes of zeros): the first 512 bytes are sector 0; after that, records
// of a 4-byte little-endian sector number and 512 bytes of content, placed on
// a sparse card of FUZZ_CARD_SECTORS sectors (numbers wrap). A short tail is
// ignored.
#pragma once

#include <cstddef>
#include <cstdint>

enum : uint32_t { FUZZ_CARD_SECTORS = 1u << 20 };

void fuzz_card_image(const uint8_t *data, size_t size);
