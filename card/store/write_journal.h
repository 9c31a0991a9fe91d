// Read-back verification of what a command wrote: while a journal is kept,
// every written sector is remembered by a 64-bit hash of its contents (not
// its bytes, so a whole CD image costs 8 bytes a sector), and the journal is
// later read back from the medium, cache bypassed, and compared.
#pragma once

#include <cstdint>
#include <vector>

#include "card/store/sector_store.h"
#include "core/log.h"
#include "platform/files.h"

uint64_t sector_hash(const uint8_t *sector);
// The hashes of count consecutive sectors, using the processor's vector
// units where it has them (the same results as sector_hash).
void sector_hashes(const uint8_t *sectors, uint32_t count, uint64_t *hashes);
// Tests compare the vector paths with the plain one.
void sector_hash_allow_vector_units(bool allowed);

class write_journal {
public:
    // Remembers count sectors written at first (later writes of a sector
    // replace earlier ones). False when memory runs out.
    bool record(uint64_t first, uint32_t count, const void *data);
    void clear();
    uint64_t sectors() const;

    enum result { SAME, DIFFERENT, UNREADABLE, STOPPED };
    // Reads every remembered sector back in large aligned chunks, in the
    // order written, stopping at the first sector that differs or cannot be
    // read (*sector names it; a chunk that fails is read again sector by
    // sector to find it). The log gets the gauge's steps and may stop it.
    result verify(sector_store *store, log_sink *log, uint64_t *sector) const;

private:
    struct extent {
        uint64_t first;
        uint32_t count;
        uint64_t first_hash;  // index of the first sector's hash
    };
    // Hashes in fixed blocks: a growing journal never copies what it holds.
    static constexpr uint32_t BLOCK_BITS = 16;
    uint64_t hash_at(uint64_t index) const {
        return blocks_[index >> BLOCK_BITS].as<uint64_t>()[index & ((uint64_t{1} << BLOCK_BITS) - 1)];
    }
    std::vector<extent> extents_;
    std::vector<mapped_buffer> blocks_;
    uint64_t count_ = 0;
};
