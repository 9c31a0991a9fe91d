// The board's 512 KiB flash for the emulator: serves the page program
// command, keeps the contents and records every page the host programmed.
//
// Construct it before board_emulator::start() (it installs the page program
// hook); the accessors may be called from any thread while the board runs.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "tools/board_emulator/board_emulator.h"

class emu_flash {
public:
    static constexpr size_t SIZE = 0x80000;
    static constexpr uint8_t DONE = 0x40;

    explicit emu_flash(board_emulator &board);

    std::vector<uint8_t> contents();
    // Page addresses as the host sent them, in order; pages beyond the flash
    // included (the board answers those with a bad reply and stores nothing).
    std::vector<uint32_t> programmed_pages();
    void clear_log();

    // Faults: after this many pages the board goes silent (the host's next
    // reply never comes), or answers every further page with bad_reply.
    void go_silent_after(long pages);
    void bad_reply_after(long pages, uint8_t bad_reply);

private:
    uint8_t program(uint32_t address, const uint8_t *page);

    board_emulator &board_;
    std::mutex mutex_;
    std::vector<uint8_t> contents_;
    std::vector<uint32_t> pages_;
    long silent_after_ = -1;
    long bad_after_ = -1;
    uint8_t bad_reply_ = 0;
};
