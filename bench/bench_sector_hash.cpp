// The read-back check's sector hash over a buffer the size of the disc
// writer's (612 KiB, in cache) and over 64 MiB (from memory), with the
// processor's vector units and with the plain code. Reported: bytes a second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "card/store/write_journal.h"

namespace {

constexpr size_t SECTOR = 512;

void hash_buffer(benchmark::State &state, bool vector_units) {
    const size_t bytes = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; i++) data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    std::vector<uint64_t> hashes(bytes / SECTOR);
    sector_hash_allow_vector_units(vector_units);
    for (auto _ : state) {
        sector_hashes(data.data(), static_cast<uint32_t>(hashes.size()), hashes.data());
        benchmark::DoNotOptimize(hashes.data());
    }
    sector_hash_allow_vector_units(true);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_sector_hashes_vector(benchmark::State &state) { hash_buffer(state, true); }
void BM_sector_hashes_plain(benchmark::State &state) { hash_buffer(state, false); }

BENCHMARK(BM_sector_hashes_vector)->Arg(256 * 2448)->Arg(64 << 20);
BENCHMARK(BM_sector_hashes_plain)->Arg(256 * 2448)->Arg(64 << 20);

}  // namespace

BENCHMARK_MAIN();
