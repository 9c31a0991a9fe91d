// Subswap of a card image whose discs fill 1 GiB, against a plain read and
// write of the same sectors in the same chunks through the same disk layer.
// Reported: both throughputs and their ratio (subswap / plain).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "core/le_bytes.h"
#include "core/log.h"

namespace {

const uint32_t B0 = 4097;
const uint32_t INDEX = 1300;                 // index disc sectors
const uint32_t DISC = 262144;                // 128 MiB per CD area
const uint32_t DISCS = 8;                    // 1 GiB of CD areas
const uint32_t AREA = INDEX + DISCS * DISC;  // sectors converted
const uint32_t CHUNK = 4896;                 // the command's chunk

// Formats the image and lays out one block: index disc, then eight CDs.
void prepare(const std::string &path, const char *drive) {
    const char *v[] = {"", "format", drive};
    card_dispatch(log_null(), 3, v);
    std::vector<uint8_t> header(1024, 0);
    memcpy(header.data(), "VMK\x03", 4);
    le32_put(&header[4], DISCS + 1);
    le32_put(&header[8], 12);
    uint32_t offset = 2;
    for (uint32_t i = 0; i <= DISCS; i++) {
        uint32_t length = i == 0 ? INDEX : DISC;
        le32_put(&header[64 + 8 * i], offset);
        le24_put(&header[68 + 8 * i], length);
        offset += length;
    }
    int fd = open(path.c_str(), O_WRONLY);
    // Real bytes everywhere, so neither pass reads holes.
    std::vector<uint8_t> fill(size_t{CHUNK} * 512);
    for (size_t i = 0; i < fill.size(); i++) fill[i] = static_cast<uint8_t>(i * 131 + 7);
    for (uint32_t at = 0; at < offset - 2; at += CHUNK)
        if (pwrite(fd, fill.data(), fill.size(), off_t{B0 + 2 + at} * 512) < 0) perror("pwrite");
    for (uint32_t i = 0; i <= DISCS; i++) {
        std::vector<uint8_t> name(512, 0);
        snprintf(reinterpret_cast<char *>(name.data()), 512, "disc %u", i);
        uint32_t at = le32_get(&header[64 + 8 * i]);
        if (pwrite(fd, name.data(), 512, off_t{B0 + at + 3} * 512) < 0) perror("pwrite");
    }
    if (pwrite(fd, header.data(), header.size(), off_t{B0} * 512) < 0) perror("pwrite");
    close(fd);
}

double plain_pass(const char *drive) {
    auto start = std::chrono::steady_clock::now();
    disk_handle *h = disk_open(log_null(), drive, 0);
    std::vector<uint8_t> chunk(size_t{CHUNK} * 512);
    for (uint32_t at = 0; at < AREA; at += CHUNK) {
        uint32_t n = std::min(CHUNK, AREA - at);
        disk_seek(h, B0 + 2 + at);
        disk_read(h, chunk.data(), n * 512);
        benchmark::DoNotOptimize(chunk.data());
        disk_seek(h, B0 + 2 + at);
        disk_write(h, chunk.data(), n * 512);
    }
    disk_flush(h);
    disk_close(h);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double subswap_pass(const char *drive) {
    auto start = std::chrono::steady_clock::now();
    const char *v[] = {"", "subswap", drive};
    if (card_dispatch(log_null(), 3, v) != 0) fputs("subswap failed\n", stderr);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SubswapVersusPlainCopy(benchmark::State &state) {
    std::string path = "/tmp/vmk_bench_subswap.img";
    int fd = open(path.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, off_t{B0 + 2 + AREA + 64} * 512) != 0) {
        state.SkipWithError("cannot create the card image");
        return;
    }
    close(fd);
    char letter = drive_table_register_image(log_null(), path.c_str());
    std::string drive(1, letter);
    prepare(path, drive.c_str());
    plain_pass(drive.c_str());  // warm the page cache for both
    double plain = 0, swap = 0;
    for (auto _ : state) {
        plain += plain_pass(drive.c_str());
        swap += subswap_pass(drive.c_str());
    }
    double mib = double(AREA) * 512 / (1 << 20) * double(state.iterations());
    state.counters["plain_MiB_per_s"] = mib / plain;
    state.counters["subswap_MiB_per_s"] = mib / swap;
    state.counters["ratio"] = plain / swap;
    drive_table_forget(letter);
    unlink(path.c_str());
}

}  // namespace

BENCHMARK(BM_SubswapVersusPlainCopy)->Iterations(4)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
