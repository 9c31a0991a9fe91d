#include "tools/board_emulator/emu_flash.h"

#include <algorithm>

emu_flash::emu_flash(board_emulator &board) : board_(board), contents_(SIZE, 0xFF) {
    board_.hooks.page_program = [this](uint32_t address, const uint8_t *page) {
        return program(address, page);
    };
}

uint8_t emu_flash::program(uint32_t address, const uint8_t *page) {
    std::unique_lock<std::mutex> lock(mutex_);
    long done = static_cast<long>(pages_.size());
    if (silent_after_ >= 0 && done >= silent_after_) {
        lock.unlock();
        // The reply byte is dropped by the silent link.
        emu_faults f = board_.faults();
        f.silent = true;
        board_.set_faults(f);
        return DONE;
    }
    pages_.push_back(address);
    if (bad_after_ >= 0 && done >= bad_after_) return bad_reply_;
    if (address + 256 > SIZE) return 0x00;
    // The board erases as it programs: a page takes the bytes sent, 0xFF too.
    std::copy(page, page + 256, contents_.begin() + address);
    return DONE;
}

std::vector<uint8_t> emu_flash::contents() {
    std::lock_guard<std::mutex> lock(mutex_);
    return contents_;
}

std::vector<uint32_t> emu_flash::programmed_pages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_;
}

void emu_flash::clear_log() {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_.clear();
}

void emu_flash::go_silent_after(long pages) {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_after_ = pages;
}

void emu_flash::bad_reply_after(long pages, uint8_t bad_reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    bad_after_ = pages;
    bad_reply_ = bad_reply;
}
