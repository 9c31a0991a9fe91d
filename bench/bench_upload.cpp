// Paced GPRAM upload: a 512 KiB image through the real `upimg gpram rom`
// command against the emulator held to the wire's 50,000 bytes per second.
// Reports the achieved fraction of the ideal paced time (bytes / 50000 s);
// the target is at least 0.95. The unpaced run shows what the protocol's
// round trips cost on their own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "core/log.h"
#include "device/device_dispatch.h"
#include "tests/support/temp_dir.h"
#include "tools/board_emulator/board_emulator.h"

static void BM_PacedGpramUpload(benchmark::State &state) {
    const size_t size = 0x80000;
    emu_options options;
    options.paced = state.range(0) != 0;
    options.bytes_per_second = 50000;
    board_emulator board(options);
    if (!board.start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    temp_dir dir;
    std::string file = dir.path("rom.pce");
    {
        std::vector<char> image(size);
        for (size_t i = 0; i < size; i++) image[i] = static_cast<char>(i * 7 + i / 8192);
        std::ofstream(file, std::ios::binary)
            .write(image.data(), static_cast<std::streamsize>(size));
    }
    std::string port = board.port_path();
    const char *v[] = {"", "upimg", "gpram", "rom", file.c_str(), port.c_str()};
    double ideal = static_cast<double>(size) / static_cast<double>(options.bytes_per_second);
    double total = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int ok = 0;
        device_dispatch(log_null(), nullptr, 6, v, &ok);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("upload failed");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    // Over all iterations: ideal paced time / achieved time.
    if (options.paced && total > 0)
        state.counters["ideal_fraction"] = ideal * static_cast<double>(state.iterations()) / total;
}
// Argument 1: paced, the measurement; 0: unpaced, the protocol's own cost.
BENCHMARK(BM_PacedGpramUpload)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
