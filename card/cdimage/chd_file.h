// Compressed hunk files (version 5) as disc images are kept: the header,
// the hunk map, the metadata chain and the hunks, each decompressed and
// checked against its CRC on the way out. A few hunks are held at once;
// during a whole read a pool of threads decodes the next ones ahead
// (chd_read_ahead.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/sha1.h"

struct positioned_file;

struct chd_hunk_entry {
    uint8_t kind;     // CHD_STORED_* below
    uint32_t length;  // compressed bytes
    uint64_t offset;  // file position, or the hunk referred to
    uint16_t crc;     // of the decompressed hunk
};

enum : uint8_t {
    CHD_STORED_CODEC0 = 0,  // .. CODEC3 = 3: compressed with header codec n
    CHD_STORED_RAW = 4,
    CHD_STORED_SELF = 5,    // a copy of hunk `offset`
    CHD_STORED_PARENT = 6,  // in the parent file
};

inline constexpr uint32_t CHD_HEADER_V5_BYTES = 124;

// The type codes of a compressed map: 0 to 3 are the header codecs, then
// these; a run code repeats the previous type.
enum chd_map_code : int {
    CHD_MAP_NONE = 4,
    CHD_MAP_SELF = 5,
    CHD_MAP_PARENT = 6,
    CHD_MAP_RLE_SMALL = 7,
    CHD_MAP_RLE_LARGE = 8,
    CHD_MAP_SELF_0 = 9,
    CHD_MAP_SELF_1 = 10,
    CHD_MAP_PARENT_SELF = 11,
    CHD_MAP_PARENT_0 = 12,
    CHD_MAP_PARENT_1 = 13,
};
// The map's Huffman code of the type codes: 16 symbols of up to 8 bits,
// their lengths stored in 4 bits each.
inline constexpr int CHD_MAP_SYMBOLS = 16, CHD_MAP_CODE_BITS_MAX = 8;

struct chd_codec;  // one decompressor per header codec, chd_codecs.cpp
void chd_codec_free(chd_codec *codec);
struct chd_codec_deleter {
    void operator()(chd_codec *c) const { chd_codec_free(c); }
};
using chd_codec_ptr = std::unique_ptr<chd_codec, chd_codec_deleter>;

// The decompressor for a header codec tag; nullptr for codecs this reader
// lacks.
chd_codec_ptr chd_codec_make(uint32_t tag, uint32_t hunk_bytes);
// Decompresses length bytes of src into dest (hunk_bytes); false if damaged.
bool chd_codec_run(chd_codec *codec, const uint8_t *src, uint32_t length, uint8_t *dest);

struct chd_read_ahead;
struct chd_read_ahead_stopper {
    void operator()(chd_read_ahead *r) const;
};

struct chd_file {
    std::string name;
    positioned_file *file = nullptr;
    uint64_t file_bytes = 0;
    uint32_t codecs[4] = {};
    uint64_t logical_bytes = 0, map_offset = 0, meta_offset = 0;
    uint32_t hunk_bytes = 0, unit_bytes = 0;
    uint8_t raw_sha1[20] = {};
    std::vector<chd_hunk_entry> map;
    chd_codec_ptr decoders[4];
    std::vector<uint8_t> compressed;  // one hunk's stored bytes
    std::vector<uint8_t> cached;      // the last hunk decompressed
    uint32_t cached_hunk = UINT32_MAX;
    // The data's SHA-1 while a whole read runs: hunks are hashed in order as
    // they are decompressed, and those the read passes over are
    // decompressed for it alone.
    bool checking = false, checked = false;
    uint32_t hashed_hunks = 0;
    sha1_context data_sha1;
    // Threads that decode ahead of a whole read; 0: the reader decodes each
    // hunk itself.
    int read_ahead_threads = 2;
    std::unique_ptr<chd_read_ahead, chd_read_ahead_stopper> ahead;
    ~chd_file();
};

// What one thread needs to decode hunks: a file handle and a decompressor
// for each header codec (nullptr where the header has none), and room for
// one hunk's stored bytes.
struct chd_hunk_decoder {
    positioned_file *file;
    chd_codec *codecs[4];
    uint8_t *compressed;
};

// Decodes hunk into out (hunk_bytes) and checks its CRC; false with what is
// wrong ("hunk 7 fails its CRC check") in *damage. Reads only chd's header
// and map, so threads with decoders of their own may call it at once.
bool chd_decode_hunk(const chd_file &chd, const chd_hunk_decoder &d, uint32_t hunk, uint8_t *out,
                     std::string *damage);

// Opens name and reads its header and map; nullptr with one message naming
// the file and what is wrong (older version, parent needed, damage).
std::unique_ptr<chd_file> chd_open(log_sink *log, const char *name);

// The metadata entries tagged tag ('CHT2' ...), in file order.
bool chd_metadata(log_sink *log, chd_file *chd, uint32_t tag, std::vector<std::string> *out);

// Hunk `hunk`, decompressed and checked; points into the file's cache,
// valid until the next call. nullptr with a message.
const uint8_t *chd_hunk(log_sink *log, chd_file *chd, uint32_t hunk);

// A reader about to read the data front to back calls chd_check_begin,
// which also starts decoding ahead of it; chd_check_end then hashes what the
// read did not reach and compares the data's SHA-1 with the header's: false
// with a message when they differ or a hunk cannot be read. Costs one pass
// of SHA-1 over the data. Once the check has passed, later reads are not
// checked again. A reader that stops early just frees the file.
void chd_check_begin(chd_file *chd);
bool chd_check_end(log_sink *log, chd_file *chd);

// Decodes a compressed map (its 16-byte header first) into chd->map, whose
// hunk_bytes, unit_bytes and logical_bytes are set. false if damaged.
bool chd_decode_map(chd_file *chd, const uint8_t *bytes, size_t length);

// An entry in the 12-byte form the map's check word covers: kind, length
// (24 bits), offset (48 bits), CRC, big-endian.
void chd_map_entry_bytes(const chd_hunk_entry &e, uint8_t out[12]);

constexpr uint32_t chd_tag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 |
           uint8_t(d);
}

