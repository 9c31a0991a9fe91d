#include "card/store/write_journal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint32_t CHUNK_SECTORS = 2048;  // 1 MiB a read

bool overlaps(uint64_t a, uint64_t a_end, uint64_t b, uint64_t b_end) {
    return a < b_end && b < a_end;
}

template <typename lanes>
__attribute__((always_inline)) inline uint64_t join_lanes(const lanes &lane) {
    uint64_t h = 0;
    for (int k = 0; k < 8; k++) h ^= lane[k] * uint64_t(2 * k + 1);
    h ^= h >> 31;
    return h * 0xC4CEB9FE1A85EC53u;
}

// Eight independent lanes keep the multiplier busy (each step waits for the
// one before in its lane). Each step is a bijection of the lane, and the
// lanes are joined through odd factors: any change within one lane's words
// changes the result.
inline uint64_t hash_one(const uint8_t *sector) {
    constexpr int LANES = 8;
    uint64_t lane[LANES];
    for (int k = 0; k < LANES; k++) lane[k] = 0x9E3779B97F4A7C15u * uint64_t(2 * k + 1);
    for (uint32_t i = 0; i < SECTOR; i += 8 * LANES) {
        for (int k = 0; k < LANES; k++) {
            uint64_t w;
            memcpy(&w, sector + i + k * 8, 8);
            lane[k] = (lane[k] ^ w) * 0xFF51AFD7ED558CCDu;
            lane[k] ^= lane[k] >> 29;
        }
    }
    return join_lanes(lane);
}

void hash_sectors_plain(const uint8_t *sectors, uint32_t count, uint64_t *hashes) {
    for (uint32_t i = 0; i < count; i++) hashes[i] = hash_one(sectors + size_t{i} * SECTOR);
}

// Not with MinGW: GCC there cannot align the stack for spilled 512-bit
// registers.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define VMK_SECTOR_HASH_VECTOR 1
// The same hash with the eight lanes in one 512-bit vector: with AVX-512DQ
// the lane's 64-bit multiply is one instruction for all eight (about three
// times the plain code's speed on data in cache). Integer arithmetic: the
// same hashes as hash_one, bit for bit.
typedef uint64_t eight_lanes __attribute__((vector_size(64)));

__attribute__((target("avx512f,avx512dq"))) void hash_sectors_avx512(const uint8_t *sectors,
                                                                    uint32_t count,
                                                                    uint64_t *hashes) {
    for (uint32_t s = 0; s < count; s++) {
        const uint8_t *sector = sectors + size_t{s} * SECTOR;
        eight_lanes lane = {1, 3, 5, 7, 9, 11, 13, 15};
        lane *= 0x9E3779B97F4A7C15u;
        for (uint32_t i = 0; i < SECTOR; i += sizeof(eight_lanes)) {
            eight_lanes w;
            memcpy(&w, sector + i, sizeof w);
            lane = (lane ^ w) * 0xFF51AFD7ED558CCDu;
            lane ^= lane >> 29;
        }
        hashes[s] = join_lanes(lane);
    }
}
#endif

bool vector_units_allowed = true;

}  // namespace

void sector_hash_allow_vector_units(bool allowed) { vector_units_allowed = allowed; }

void sector_hashes(const uint8_t *sectors, uint32_t count, uint64_t *hashes) {
#ifdef VMK_SECTOR_HASH_VECTOR
    static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    if (vector_units_allowed && avx512) return hash_sectors_avx512(sectors, count, hashes);
#endif
    hash_sectors_plain(sectors, count, hashes);
}

uint64_t sector_hash(const uint8_t *sector) { return hash_one(sector); }

bool write_journal::record(uint64_t first, uint32_t count, const void *data) {
    const auto *bytes = static_cast<const uint8_t *>(data);
    constexpr uint64_t BLOCK = uint64_t{1} << BLOCK_BITS;
    const uint64_t at = count_;
    try {
        for (uint32_t k = 0; k < count;) {
            if ((count_ >> BLOCK_BITS) == blocks_.size()) {
                blocks_.emplace_back(BLOCK * sizeof(uint64_t));
                if (blocks_.back().as<uint64_t>() == nullptr) throw std::bad_alloc();
            }
            uint64_t *block = blocks_.back().as<uint64_t>();
            uint32_t in_block = static_cast<uint32_t>(count_ & (BLOCK - 1));
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count - k, BLOCK - in_block));
            sector_hashes(bytes + size_t{k} * SECTOR, n, block + in_block);
            count_ += n;
            k += n;
        }
        // A sequential write continues the previous extent.
        extent *last = extents_.empty() ? nullptr : &extents_.back();
        if (last != nullptr && last->first + last->count == first &&
            uint64_t{last->count} + count <= UINT32_MAX)
            last->count += count;
        else
            extents_.push_back({first, count, at});
    } catch (const std::bad_alloc &) {
        count_ = at;
        return false;
    }
    return true;
}

void write_journal::clear() {
    extents_.clear();
    blocks_.clear();
    count_ = 0;
}

uint64_t write_journal::sectors() const { return count_; }

write_journal::result write_journal::verify(sector_store *store, log_sink *log,
                                            uint64_t *sector) const {
    // Page aligned, as an uncached medium needs.
    mapped_buffer chunk(size_t{CHUNK_SECTORS} * SECTOR);
    uint8_t *buffer = chunk.as<uint8_t>();
    if (buffer == nullptr) return UNREADABLE;
    std::vector<uint64_t> read_hashes(CHUNK_SECTORS);
    // One cache drop over everything written: each drop waits for its range
    // to be written out, so dropping per extent or per chunk would wait again
    // each time.
    if (!extents_.empty()) {
        uint64_t low = UINT64_MAX, high = 0;
        for (const extent &e : extents_) {
            low = std::min(low, e.first);
            high = std::max(high, e.first + e.count);
        }
        if (store_drop_cache(store, low, high - low) != 0) {
            *sector = low;
            return UNREADABLE;
        }
    }
    for (size_t i = 0; i < extents_.size(); i++) {
        const extent &e = extents_[i];
        uint64_t end = e.first + e.count;
        // Sectors written again later hold the later contents.
        std::vector<const extent *> later;
        for (size_t j = i + 1; j < extents_.size(); j++)
            if (overlaps(e.first, end, extents_[j].first, extents_[j].first + extents_[j].count))
                later.push_back(&extents_[j]);
        for (uint64_t at = e.first; at < end;) {
            if (log_stop_point(log)) return STOPPED;
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(CHUNK_SECTORS, end - at));
            if (store_read(store, at, n, buffer) != 0) {
                // Sector by sector, to name the first that does not read.
                for (uint32_t k = 0; k < n; k++) {
                    if (store_read(store, at + k, 1, buffer + size_t{k} * SECTOR) != 0) {
                        *sector = at + k;
                        return UNREADABLE;
                    }
                }
            }
            sector_hashes(buffer, n, read_hashes.data());
            for (uint32_t k = 0; k < n; k++) {
                uint64_t s = at + k;
                bool replaced = std::any_of(later.begin(), later.end(), [s](const extent *x) {
                    return s >= x->first && s - x->first < x->count;
                });
                if (replaced) continue;
                if (read_hashes[k] != hash_at(e.first_hash + (s - e.first))) {
                    *sector = s;
                    return DIFFERENT;
                }
            }
            gauge_step(log, n);
            at += n;
        }
    }
    return SAME;
}
