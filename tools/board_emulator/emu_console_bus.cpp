#include "tools/board_emulator/emu_console_bus.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

constexpr uint8_t REQUEST_PROBE = 0x80;
constexpr uint8_t REQUEST_SIGNATURE = 0x81;
constexpr uint8_t REQUEST_MEMORYBASE_WRITE = 0x82;
constexpr unsigned FIRST_MEMORYBASE_BANK = 0xC0;
constexpr size_t GPRAM_MEMORYBASE_AT = 8 * emu_console_bus::BANK;
constexpr uint8_t OPEN_BUS = 0xFF;

// What the board reads when no Memory Base answers on the controller port.
std::vector<uint8_t> absent_signature() {
    std::vector<uint8_t> s(256, 0);
    s[0] = 'e';
    s[1] = 'r';
    s[2] = 'R';
    return s;
}

std::vector<uint8_t> present_signature() {
    std::vector<uint8_t> s(256, 0);
    const char tag[] = "MB128";
    std::copy(tag, tag + 5, s.begin());
    return s;
}

bool read_file(const std::string &path, std::vector<uint8_t> &out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

}  // namespace

void emu_console_bus::install(board_emulator &board, uint8_t status_without_card) {
    board_ = &board;
    status_without_card_ = static_cast<uint8_t>(status_without_card & ~0x08);
    board.hooks.bus_request = [this](uint8_t request, uint8_t argument) {
        return on_request(request, argument);
    };
    board.hooks.bus_data = [this](size_t offset, uint8_t *out, size_t len) {
        on_data(offset, out, len);
    };
    update_status();
}

void emu_console_bus::update_status() {
    if (board_ == nullptr) return;
    bool present;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        present = card_present_;
    }
    board_->set_status(static_cast<uint8_t>(status_without_card_ | (present ? 0x08 : 0x00)));
}

void emu_console_bus::insert_card(std::vector<uint8_t> rom) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rom_ = std::move(rom);
        card_present_ = true;
    }
    update_status();
}

bool emu_console_bus::insert_card_file(const std::string &path) {
    std::vector<uint8_t> rom;
    if (!read_file(path, rom) || rom.empty()) return false;
    insert_card(std::move(rom));
    return true;
}

void emu_console_bus::remove_card() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rom_.clear();
        card_present_ = false;
    }
    update_status();
}

void emu_console_bus::attach_memorybase(std::vector<uint8_t> contents) {
    contents.resize(MEMORYBASE_SIZE, 0);
    std::lock_guard<std::mutex> lock(mutex_);
    memorybase_ = std::move(contents);
    memorybase_present_ = true;
}

bool emu_console_bus::attach_memorybase_file(const std::string &path) {
    std::vector<uint8_t> contents;
    if (!read_file(path, contents)) return false;
    attach_memorybase(std::move(contents));
    return true;
}

void emu_console_bus::detach_memorybase() {
    std::lock_guard<std::mutex> lock(mutex_);
    memorybase_present_ = false;
}

void emu_console_bus::set_signature(std::vector<uint8_t> signature) {
    signature.resize(256, 0);
    std::lock_guard<std::mutex> lock(mutex_);
    signature_ = std::move(signature);
}

void emu_console_bus::set_memorybase_write_ms(int milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_ms_ = milliseconds;
}

std::vector<uint8_t> emu_console_bus::memorybase() {
    std::lock_guard<std::mutex> lock(mutex_);
    return memorybase_;
}

void emu_console_bus::set_flaky_banks(std::vector<unsigned> rom_banks, bool every_read) {
    std::lock_guard<std::mutex> lock(mutex_);
    flaky_banks_ = std::move(rom_banks);
    flaky_every_read_ = every_read;
    bank_reads_.clear();
}

// Called with the lock held, for every byte of a card bank read: 0 for a good
// read, else the bits to flip in the byte.
uint8_t emu_console_bus::flaky_garbage(unsigned bank, uint8_t argument, size_t at) {
    long base = card_present_ ? card_bank_offset(rom_.size(), bank, argument) : -1;
    if (base < 0 || flaky_banks_.empty()) return 0;
    size_t rom_bank = static_cast<size_t>(base) / BANK;
    if (bank_reads_.size() <= rom_bank) bank_reads_.resize(rom_bank + 1, 0);
    if (at == 0) bank_reads_[rom_bank]++;
    if (std::find(flaky_banks_.begin(), flaky_banks_.end(), rom_bank) == flaky_banks_.end())
        return 0;
    int read = bank_reads_[rom_bank];
    if (!flaky_every_read_ && read > 1) return 0;
    auto flip = static_cast<uint8_t>(read * 0x3B + at * 7 + 1);
    return flip != 0 ? flip : 0xA5;
}

long emu_console_bus::card_bank_offset(size_t rom_size, unsigned bank, uint8_t argument) {
    size_t banks = (rom_size + BANK - 1) / BANK;
    if (banks == 0 || bank >= 0x80) return -1;
    size_t shown;
    if (banks > 128) {
        shown = bank < 0x40 ? bank : 0x40 + static_cast<size_t>(argument) * 0x40 + (bank - 0x40);
        if (shown >= banks) return -1;
    } else {
        size_t low = 1;
        while (low * 2 <= banks && low * 2 <= 64) low *= 2;
        size_t high = banks - low;
        shown = bank < 0x40 || high == 0 ? bank % low : low + (bank - 0x40) % high;
    }
    return static_cast<long>(shown * BANK);
}

// Called with the lock held.
uint8_t emu_console_bus::card_byte(unsigned bank, uint8_t argument, size_t at) const {
    if (!card_present_) return OPEN_BUS;
    long base = card_bank_offset(rom_.size(), bank, argument);
    if (base < 0) return OPEN_BUS;
    size_t i = static_cast<size_t>(base) + at;
    return i < rom_.size() ? rom_[i] : OPEN_BUS;
}

uint8_t emu_console_bus::on_request(uint8_t request, uint8_t argument) {
    std::vector<uint8_t> gpram;
    if (request == REQUEST_MEMORYBASE_WRITE) gpram = board_->gpram();
    std::lock_guard<std::mutex> lock(mutex_);
    request_ = request;
    argument_ = argument;
    if (request == REQUEST_MEMORYBASE_WRITE)
        pending_write_.assign(gpram.begin() + GPRAM_MEMORYBASE_AT,
                              gpram.begin() + GPRAM_MEMORYBASE_AT + MEMORYBASE_SIZE);
    return 0x00;
}

void emu_console_bus::on_data(size_t offset, uint8_t *out, size_t len) {
    uint8_t request;
    int write_ms;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        request = request_;
        write_ms = write_ms_;
    }
    // The Memory Base write happens between the request and the first reply
    // byte; the host waits for it with its raised idle limit.
    if (request == REQUEST_MEMORYBASE_WRITE && offset == 0 && write_ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(write_ms));

    std::lock_guard<std::mutex> lock(mutex_);
    const std::vector<uint8_t> signature =
        !memorybase_present_ ? absent_signature()
                             : (signature_.empty() ? present_signature() : signature_);
    if (request == REQUEST_MEMORYBASE_WRITE && offset == 0 && memorybase_present_ &&
        pending_write_.size() == MEMORYBASE_SIZE) {
        memorybase_ = pending_write_;
        pending_write_.clear();
    }
    for (size_t k = 0; k < len; k++) {
        size_t at = offset + k;
        uint8_t &b = out[k];
        if (request == REQUEST_PROBE) {
            // One byte per bank: byte i of each 128-byte half is the first
            // byte of bank i mod 64 of that half.
            unsigned bank = static_cast<unsigned>((at / 128) * 0x40 + (at % 128) % 64);
            b = at < 256 ? card_byte(bank, 0, 0) : OPEN_BUS;
        } else if (request == REQUEST_SIGNATURE || request == REQUEST_MEMORYBASE_WRITE) {
            b = at < signature.size() ? signature[at] : OPEN_BUS;
        } else if (request < REQUEST_PROBE) {
            auto bank = static_cast<unsigned>(request + at / BANK);
            b = static_cast<uint8_t>(card_byte(bank, argument_, at % BANK) ^
                                     flaky_garbage(bank, argument_, at % BANK));
        } else if (request >= FIRST_MEMORYBASE_BANK) {
            size_t i = (request - FIRST_MEMORYBASE_BANK) * BANK + at;
            b = memorybase_present_ && i < MEMORYBASE_SIZE ? memorybase_[i] : OPEN_BUS;
        } else {
            b = OPEN_BUS;
        }
    }
}
