#include "card/cdimage/track_digest.h"

#include <zlib.h>

#include <algorithm>
#include <future>
#include <memory>

#include "core/sha1.h"

namespace {

// zlib takes at most 4 GiB a call; a chunk is far below.
uint32_t crc_more(uint32_t crc, const uint8_t *data, size_t n) {
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(n)));
}

}  // namespace

bool dump_track_digest(log_sink *log, cd_source *source, const dump_track &t, track_digest *out) {
    const uint32_t chunk = std::min(DUMP_CHUNK_SECTORS, std::max<uint32_t>(t.sectors, 1));
    const size_t chunk_bytes = size_t{chunk} * CD_SECTOR_SIZE;
    // Two buffers: one read while the other is hashed.
    std::unique_ptr<uint8_t[]> buffers[2] = {std::unique_ptr<uint8_t[]>(new uint8_t[chunk_bytes]),
                                             std::unique_ptr<uint8_t[]>(new uint8_t[chunk_bytes])};
    sha1_context sha;
    sha1_init(&sha);
    uint32_t crc = crc_more(0, nullptr, 0);
    std::future<void> hashing;  // SHA-1 of the other buffer; waited for before it is reused
    bool ok = true;
    int current = 0;
    for (uint32_t at = 0; at < t.sectors; at += chunk, current ^= 1) {
        if (at > 0 && log_stop_requested(log)) {
            ok = false;
            break;
        }
        const uint32_t count = std::min(chunk, t.sectors - at);
        uint8_t *data = buffers[current].get();
        if (!dump_track_read(log, source, t, at, count, data)) {
            ok = false;
            break;
        }
        const size_t n = size_t{count} * CD_SECTOR_SIZE;
        crc = crc_more(crc, data, n);
        if (hashing.valid()) hashing.get();
        hashing = std::async(std::launch::async, [&sha, data, n] { sha1_update(&sha, data, n); });
    }
    if (hashing.valid()) hashing.get();
    if (!ok) return false;
    out->size = t.bytes();
    out->crc = crc;
    sha1_final(&sha, out->sha1);
    return true;
}
