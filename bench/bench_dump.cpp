// A 256 KiB HuCard dump through the real dump command against the board
// emulator held to the wire's rate (50,000 bytes per second at 500000 baud).
// fraction_of_ideal = (bytes / 50000 s) / measured time: how close the
// protocol comes to the wire's limit, probe and handshakes included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/log.h"
#include "device/device_dispatch.h"
#include "tools/board_emulator/board_emulator.h"
#include "tools/board_emulator/emu_console_bus.h"

namespace {

constexpr size_t CARD_SIZE = 0x40000;
constexpr long WIRE_BYTES_PER_SECOND = 50000;

std::vector<uint8_t> card_image() {
    std::vector<uint8_t> rom(CARD_SIZE);
    uint32_t x = 1;
    for (auto &b : rom) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    for (size_t bank = 0; bank * 0x2000 < CARD_SIZE; bank++)
        rom[bank * 0x2000] = static_cast<uint8_t>(bank);
    return rom;
}

void BM_PacedDump256K(benchmark::State &state) {
    emu_options options;
    options.paced = true;
    options.bytes_per_second = WIRE_BYTES_PER_SECOND;
    emu_console_bus bus;
    board_emulator board(options);
    bus.install(board, options.status);
    bus.insert_card(card_image());
    if (!board.start()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    char dir[] = "/tmp/vmk-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    std::string file = std::string(dir) + "/card.pce";
    std::string port = board.port_path();
    const char *v[] = {"", "dump", "rom", file.c_str(), port.c_str()};

    double total_seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int ok = 0;
        device_dispatch(log_null(), nullptr, 5, v, &ok);
        total_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("dump failed");
            break;
        }
    }
    board.stop();
    std::remove(file.c_str());
    rmdir(dir);

    if (state.iterations() == 0 || total_seconds <= 0) return;
    double ideal = static_cast<double>(CARD_SIZE) / WIRE_BYTES_PER_SECOND;
    double measured = total_seconds / static_cast<double>(state.iterations());
    state.counters["ideal_s"] = ideal;
    state.counters["fraction_of_ideal"] = ideal / measured;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * CARD_SIZE));
}

}  // namespace

BENCHMARK(BM_PacedDump256K)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
