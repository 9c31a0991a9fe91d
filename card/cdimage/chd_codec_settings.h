// What the compressors and decompressors of compressed disc images must
// agree on beyond the stream itself.
#pragma once

#include <lzma.h>

#include <algorithm>
#include <cstdint>

// LZMA streams carry no properties: both sides use lc 3, lp 0, pb 2 and a
// dictionary of the part's size. Only the fields both sides read are set.
inline void chd_lzma_settings(lzma_options_lzma *o, uint32_t size) {
    o->dict_size = std::max<uint32_t>(size, LZMA_DICT_SIZE_MIN);
    o->lc = 3;
    o->lp = 0;
    o->pb = 2;
}

// FLAC block size in samples for size bytes of 16-bit stereo: the whole
// part, halved until it is no more than one sector's bytes.
inline uint32_t chd_flac_block_samples(uint32_t size) {
    uint32_t block = size / 4;
    while (block > 2352) block /= 2;
    return block;
}
