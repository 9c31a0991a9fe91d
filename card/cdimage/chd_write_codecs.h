// Compressing the hunks of a CD kept in a compressed hunk file: each hunk of
// 2448-byte frames is tried with every codec of the file's header and kept
// in the smallest form, or as it is when none is smaller.
//
// Thread rule: a compressor belongs to one thread; threads compressing at
// once each make their own.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct chd_hunk_compressor;
void chd_compressor_free(chd_hunk_compressor *c);
struct chd_compressor_deleter {
    void operator()(chd_hunk_compressor *c) const { chd_compressor_free(c); }
};
using chd_compressor_ptr = std::unique_ptr<chd_hunk_compressor, chd_compressor_deleter>;

// codecs: the header's four tags (0: none), each one of the CD codecs
// ("cdzl", "cdlz", "cdzs", "cdfl"); nullptr for any other tag.
chd_compressor_ptr chd_compressor_make(const uint32_t codecs[4], uint32_t hunk_bytes);

struct chd_compressed_hunk {
    uint8_t kind;  // header codec index 0 to 3, or CHD_STORED_RAW
    uint16_t crc;  // of the hunk as given
    std::vector<uint8_t> bytes;  // what the file stores (the hunk itself when raw)
};

void chd_compress_hunk(chd_hunk_compressor *c, const uint8_t *hunk, chd_compressed_hunk *out);
