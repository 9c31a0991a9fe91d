// Reading fixed-size records (2352-byte sectors, 96-byte subchannel blocks)
// from the files of an image set at a sector position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Reads up to count records of record_size bytes starting with record first;
// returns how many whole records arrived (fewer at the end of the file, 0
// when the position cannot be reached). Positions are formed in 64 bits.
size_t sector_read_at(FILE *f, uint64_t first, size_t record_size, size_t count, void *out);
