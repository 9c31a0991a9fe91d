// Sparse memory store: the card is kept in chunks of 128 sectors that exist
// only once written, so a test can format a card of millions of sectors.
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "card/store/sector_store.h"

namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint64_t CHUNK_SECTORS = 128;

struct memory_store : sector_store {
    uint64_t sectors = 0;
    std::unordered_map<uint64_t, std::unique_ptr<uint8_t[]>> chunks;
};

memory_store *self(sector_store *s) { return static_cast<memory_store *>(s); }

// Calls visit(chunk bytes or nullptr, byte offset in the chunk, bytes, offset
// in the caller's buffer) for each chunk the range touches.
template <typename Visit>
void for_each_chunk(uint64_t first, uint32_t count, Visit visit) {
    uint64_t sector = first;
    uint64_t end = first + count;
    size_t done = 0;
    while (sector < end) {
        uint64_t chunk = sector / CHUNK_SECTORS;
        uint64_t in_chunk = sector % CHUNK_SECTORS;
        uint64_t n = CHUNK_SECTORS - in_chunk;
        if (n > end - sector) n = end - sector;
        visit(chunk, in_chunk * SECTOR, n * SECTOR, done);
        sector += n;
        done += n * SECTOR;
    }
}

int memory_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    memory_store *m = self(s);
    auto *out = static_cast<uint8_t *>(buffer);
    for_each_chunk(first, count, [&](uint64_t chunk, size_t offset, size_t bytes, size_t done) {
        auto it = m->chunks.find(chunk);
        if (it == m->chunks.end())
            memset(out + done, 0, bytes);
        else
            memcpy(out + done, it->second.get() + offset, bytes);
    });
    return 0;
}

int memory_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    memory_store *m = self(s);
    const auto *in = static_cast<const uint8_t *>(buffer);
    try {
        for_each_chunk(first, count, [&](uint64_t chunk, size_t offset, size_t bytes, size_t done) {
            std::unique_ptr<uint8_t[]> &bytes_of_chunk = m->chunks[chunk];
            if (!bytes_of_chunk) bytes_of_chunk.reset(new uint8_t[CHUNK_SECTORS * SECTOR]());
            memcpy(bytes_of_chunk.get() + offset, in + done, bytes);
        });
    } catch (const std::bad_alloc &) {
        return ENOMEM;
    }
    return 0;
}

int memory_flush(sector_store *) { return 0; }
uint64_t memory_sector_count(sector_store *s) { return self(s)->sectors; }
void memory_close(sector_store *s) { delete self(s); }

const sector_store_ops memory_ops = {
    "memory", memory_read, memory_write, memory_flush, memory_sector_count, nullptr, memory_close,
    nullptr,
};

}  // namespace

sector_store *memory_store_create(uint64_t sectors) {
    auto *m = new (std::nothrow) memory_store;
    if (m == nullptr) return nullptr;
    m->ops = &memory_ops;
    m->sectors = sectors;
    return m;
}

sector_store *memory_store_from_bytes(const void *bytes, size_t size) {
    uint64_t sectors = size / SECTOR;
    sector_store *s = memory_store_create(sectors);
    if (s == nullptr || sectors == 0) return s;
    // Loaded in pieces because one transfer carries at most 2^32 - 1 sectors.
    const auto *in = static_cast<const uint8_t *>(bytes);
    for (uint64_t at = 0; at < sectors; at += CHUNK_SECTORS) {
        uint64_t n = sectors - at < CHUNK_SECTORS ? sectors - at : CHUNK_SECTORS;
        if (memory_write(s, at, static_cast<uint32_t>(n), in + at * SECTOR) != 0) {
            store_close(s);
            return nullptr;
        }
    }
    return s;
}
