#include "tests/card/cdimage/chd_build.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "card/cdimage/subchannel_q_crc.h"
#include "core/sha1.h"

namespace {

constexpr uint32_t FRAME_BYTES = 2448, HEADER_BYTES = 124;

void put_be_array(uint8_t *out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out[i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
}

void put_be(std::vector<uint8_t> &out, size_t at, uint64_t value, int bytes) {
    put_be_array(&out[at], value, bytes);
}

// Most significant bit first.
struct bit_writer {
    std::vector<uint8_t> bytes;
    int used = 8;
    void write(uint64_t value, int bits) {
        for (int b = bits - 1; b >= 0; b--) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() |= static_cast<uint8_t>(((value >> b) & 1) << (7 - used));
            used++;
        }
    }
};

}  // namespace

bool chd_build_write(const std::string &name, const chd_build &b,
                     const chd_hunk_compressor &compress) {
    const uint32_t hunk_bytes = b.frames_per_hunk * FRAME_BYTES;
    const size_t hunks = (b.frames.size() + hunk_bytes - 1) / hunk_bytes;
    std::vector<uint8_t> padded = b.frames;
    padded.resize(hunks * hunk_bytes);

    std::vector<uint8_t> file(HEADER_BYTES);
    std::vector<std::vector<uint8_t>> stored(hunks);
    std::vector<uint16_t> crcs(hunks);
    for (size_t h = 0; h < hunks; h++) {
        const std::vector<uint8_t> hunk(padded.begin() + h * hunk_bytes,
                                        padded.begin() + (h + 1) * hunk_bytes);
        crcs[h] = crc16_ccitt(0xFFFF, hunk.data(), hunk.size());
        stored[h] = compress(hunk);
        file.insert(file.end(), stored[h].begin(), stored[h].end());
    }

    // The map: every hunk codec 0 under a Huffman code of sixteen 4-bit
    // codes (symbol s is code s), then each hunk's length and CRC; offsets
    // follow from the first.
    const uint64_t map_offset = file.size();
    constexpr int LENGTH_BITS = 24;
    bit_writer bits;
    for (int s = 0; s < 16; s++) bits.write(4, 4);
    for (size_t h = 0; h < hunks; h++) bits.write(0, 4);
    std::vector<uint8_t> entries(hunks * 12);
    uint64_t offset = HEADER_BYTES;
    for (size_t h = 0; h < hunks; h++) {
        bits.write(stored[h].size(), LENGTH_BITS);
        bits.write(crcs[h], 16);
        put_be(entries, h * 12, 0, 1);
        put_be(entries, h * 12 + 1, stored[h].size(), 3);
        put_be(entries, h * 12 + 4, offset, 6);
        put_be(entries, h * 12 + 10, crcs[h], 2);
        offset += stored[h].size();
    }
    std::vector<uint8_t> map(16);
    put_be(map, 0, bits.bytes.size(), 4);
    put_be(map, 4, HEADER_BYTES, 6);
    put_be(map, 10, crc16_ccitt(0xFFFF, entries.data(), entries.size()), 2);
    map[12] = LENGTH_BITS;
    map[13] = 0;  // no copies of hunks
    map[14] = 0;  // no parent
    map.insert(map.end(), bits.bytes.begin(), bits.bytes.end());
    file.insert(file.end(), map.begin(), map.end());

    // Metadata: a chain of tagged entries, each text with its zero.
    const uint64_t meta_offset = file.size();
    for (size_t t = 0; t < b.tracks.size(); t++) {
        const size_t at = file.size();
        const uint32_t length = static_cast<uint32_t>(b.tracks[t].size() + 1);
        file.resize(at + 16);
        file.insert(file.end(), b.tracks[t].begin(), b.tracks[t].end());
        file.push_back(0);
        put_be(file, at, 0x43485432, 4);  // CHT2
        file[at + 4] = 0x01;              // covered by the overall SHA-1
        put_be(file, at + 5, length, 3);
        put_be(file, at + 8, t + 1 < b.tracks.size() ? file.size() : 0, 8);
    }

    uint8_t raw_sha1[20];
    sha1_digest(b.frames.data(), b.frames.size(), raw_sha1);
    memcpy(&file[0], "MComprHD", 8);
    put_be(file, 8, HEADER_BYTES, 4);
    put_be(file, 12, 5, 4);
    put_be(file, 16, b.codec, 4);
    put_be(file, 32, b.frames.size(), 8);
    put_be(file, 40, map_offset, 8);
    put_be(file, 48, meta_offset, 8);
    put_be(file, 56, hunk_bytes, 4);
    put_be(file, 60, FRAME_BYTES, 4);
    memcpy(&file[64], raw_sha1, 20);
    // The overall SHA-1: of the data's, then of each checksummed metadata
    // entry's tag and the SHA-1 of its bytes, those entries in sorted order.
    std::vector<std::array<uint8_t, 24>> hashed(b.tracks.size());
    for (size_t t = 0; t < b.tracks.size(); t++) {
        put_be_array(hashed[t].data(), 0x43485432, 4);
        sha1_digest(reinterpret_cast<const uint8_t *>(b.tracks[t].c_str()), b.tracks[t].size() + 1,
                    hashed[t].data() + 4);
    }
    std::sort(hashed.begin(), hashed.end());
    sha1_context overall;
    sha1_init(&overall);
    sha1_update(&overall, raw_sha1, 20);
    for (const auto &h : hashed) sha1_update(&overall, h.data(), h.size());
    sha1_final(&overall, &file[84]);

    FILE *f = fopen(name.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}
