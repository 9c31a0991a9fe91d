// The board emulator with a console behind its bus requests: a HuCard slot
// and a Memory Base port (tools/board_emulator/emu_console_bus.h).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/device/emulator_fixture.h"
#include "tools/board_emulator/emu_console_bus.h"

using bytes = std::vector<uint8_t>;

// A ROM whose banks start with their own number, so that the bank probe sees
// every bank, and whose other bytes differ from bank to bank.
inline bytes make_rom(size_t size, uint32_t seed = 1) {
    bytes rom(size);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; i++) {
        x = x * 1103515245u + 12345u;
        rom[i] = static_cast<uint8_t>(x >> 16);
    }
    for (size_t bank = 0; bank * 0x2000 < size; bank++)
        rom[bank * 0x2000] = static_cast<uint8_t>(bank);
    return rom;
}

inline bytes read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string &path, const bytes &data) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline bool file_exists(const std::string &path) { return std::ifstream(path).good(); }

// The closing line of every dump that read something:
// "%4.1f sec, 0x%x byte, %d byte /sec\n".
inline bool is_speed_line(const std::string &s) {
    double seconds;
    unsigned size;
    long rate;
    int end = -1;
    if (sscanf(s.c_str(), "%lf sec, 0x%x byte, %ld byte /sec%n", &seconds, &size, &rate, &end) != 3)
        return false;
    return end >= 0 && s.substr(static_cast<size_t>(end)) == "\n";
}

class ConsoleBusTest : public EmulatorTest {
protected:
    void SetUp() override { boot(); }
    void TearDown() override { board->stop(); }  // before `bus` goes away

    // (Re)starts the board with the console bus installed; customize may
    // wrap the hooks before the board starts answering.
    void boot(emu_options options = {},
              const std::function<void(board_emulator &)> &customize = {}) {
        if (board) board->stop();
        board = std::make_unique<board_emulator>(options);
        bus.install(*board, options.status);
        if (customize) customize(*board);
        ASSERT_TRUE(board->start());
    }

    // A board that fails at a chosen step: f takes effect when bus request
    // `request` arrives (before its response byte), or, with after_data, once
    // its data has been produced (the data still goes out whole and the next
    // header meets the fault).
    void boot_failing_at(uint8_t request, bool after_data, const emu_faults &f) {
        boot({}, [this, request, after_data, f](board_emulator &b) {
            auto on_request = b.hooks.bus_request;
            auto on_data = b.hooks.bus_data;
            b.hooks.bus_request = [this, on_request, request, after_data, f](uint8_t r, uint8_t a) {
                last_request = r;
                uint8_t response = on_request(r, a);
                if (r == request && !after_data) board->set_faults(f);
                return response;
            };
            b.hooks.bus_data = [this, on_data, request, after_data, f](size_t offset, uint8_t *out,
                                                                       size_t len) {
                on_data(offset, out, len);
                if (last_request == request && after_data) board->set_faults(f);
            };
        });
    }

    std::string path(const std::string &name) const { return files.path(name); }

    emu_console_bus bus;
    std::atomic<int> last_request{-1};
};
