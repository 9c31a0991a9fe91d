// The read-back check's sector hash: the vector path gives the plain path's
// hashes, and any change within one 8-byte word of a sector changes its hash.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "card/store/write_journal.h"

namespace {

constexpr size_t SECTOR = 512;

std::vector<uint8_t> random_sectors(uint32_t count, uint32_t seed) {
    std::mt19937_64 random(seed);
    std::vector<uint8_t> bytes(count * SECTOR);
    for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

class SectorHash : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { sector_hash_allow_vector_units(GetParam()); }
    void TearDown() override { sector_hash_allow_vector_units(true); }
};

TEST_P(SectorHash, RunsOfSectorsHashLikeEachSectorAlone) {
    // Uneven counts and an unaligned start: the vector loop must not care.
    std::vector<uint8_t> bytes = random_sectors(70, 1);
    for (uint32_t count : {1u, 7u, 64u, 69u}) {
        std::vector<uint64_t> hashes(count);
        sector_hashes(bytes.data() + SECTOR, count, hashes.data());
        for (uint32_t k = 0; k < count; k++)
            ASSERT_EQ(hashes[k], sector_hash(bytes.data() + (k + 1) * SECTOR)) << count << " " << k;
    }
    // Not a constant: different sectors hash differently.
    EXPECT_NE(sector_hash(bytes.data()), sector_hash(bytes.data() + SECTOR));
}

TEST_P(SectorHash, EveryChangeOfOneWordChangesTheHash) {
    std::vector<uint8_t> sector = random_sectors(1, 2);
    uint64_t original;
    sector_hashes(sector.data(), 1, &original);
    std::mt19937_64 random(3);
    for (size_t word = 0; word < SECTOR / 8; word++) {
        uint64_t before;
        memcpy(&before, &sector[word * 8], 8);
        // Each single bit, all bits, and random replacements.
        std::vector<uint64_t> flips;
        for (int bit = 0; bit < 64; bit++) flips.push_back(uint64_t{1} << bit);
        flips.push_back(~uint64_t{0});
        for (int i = 0; i < 8; i++) flips.push_back(random() | 1);
        for (uint64_t flip : flips) {
            uint64_t changed = before ^ flip;
            memcpy(&sector[word * 8], &changed, 8);
            uint64_t hash;
            sector_hashes(sector.data(), 1, &hash);
            ASSERT_NE(hash, original) << "word " << word << " flip " << std::hex << flip;
        }
        memcpy(&sector[word * 8], &before, 8);
    }
}

INSTANTIATE_TEST_SUITE_P(VectorUnits, SectorHash, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &p) {
                             return p.param ? std::string("where_present") : std::string("plain");
                         });

}  // namespace
