// Moves a 512 KiB GPRAM upload (256-byte chunks, each acknowledged) and a
// 2.5 MiB bus read through the board emulator, first unpaced and then held to
// the wire's rate (500000 baud 8N1 = 50,000 bytes per second). Prints the
// host's CPU time per MiB (the calling thread only: the emulator is not the
// host) and, for the paced runs, the achieved throughput as a fraction of the
// ideal time of the payload on the wire.
//   build-rel/serial-throughput [--unpaced-only]
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "device/serial_link.h"
#include "device/wire_protocol.h"
#include "tools/board_emulator/board_emulator.h"

namespace {

double thread_cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double wall_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct figures {
    bool ok;
    double wall, cpu;
};

template <typename Transfer>
figures measure(Transfer transfer) {
    double w0 = wall_seconds(), c0 = thread_cpu_seconds();
    bool ok = transfer();
    return {ok, wall_seconds() - w0, thread_cpu_seconds() - c0};
}

void report(const char *what, bool paced, size_t bytes, const figures &f) {
    double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    printf("%-22s %-8s %s  %8.3f s  host CPU %6.2f ms/MiB", what, paced ? "paced" : "unpaced",
           f.ok ? "ok  " : "FAIL", f.wall, f.cpu * 1000.0 / mib);
    if (paced) printf("  throughput %.3f of ideal", static_cast<double>(bytes) / 50000.0 / f.wall);
    printf("\n");
}

bool run(bool paced) {
    emu_options options;
    options.paced = paced;
    board_emulator board(options);
    if (!board.start()) return false;
    board.hooks.bus_data = [](size_t offset, uint8_t *out, size_t len) {
        for (size_t i = 0; i < len; i++) out[i] = static_cast<uint8_t>(offset + i);
    };
    log_sink *log = log_null();
    serial_port *port = serial_open(log, board.port_path().c_str(), 500000, 0, 8);
    if (port == nullptr) return false;

    std::vector<uint8_t> upload(512 * 1024, 0x5A);
    figures up = measure([&] {
        serial_progress_on(port);
        return vmk_gpram_write(port, log, 0, upload.data(), upload.size()) == 1;
    });
    report("GPRAM upload 512 KiB", paced, upload.size(), up);

    // 2.5 MiB = 320 banks, read as the dump does: 7 banks per bus request.
    std::vector<uint8_t> read(320 * 0x2000);
    figures rd = measure([&] { return vmk_bus_banks(port, log, 0, 0, read.data(), 320) == 1; });
    report("bus read 2.5 MiB", paced, read.size(), rd);

    serial_close(port);
    board.stop();
    return up.ok && rd.ok;
}

}  // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    bool unpaced_only = argc > 1 && strcmp(argv[1], "--unpaced-only") == 0;
    bool ok = run(false);
    if (!unpaced_only) ok = run(true) && ok;
    return ok ? 0 : 1;
}
