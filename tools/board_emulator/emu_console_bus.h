// The console's side of the board's HuC6280 bus requests (port 7): a HuCard
// in the slot, seen through the console's mirrored 1 MiB bank space, and a
// Memory Base 128 on the controller port.
//
// Threading: install() before the board starts; the card and Memory Base
// setters and memorybase() take a lock and may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tools/board_emulator/board_emulator.h"

class emu_console_bus {
public:
    static constexpr size_t BANK = 0x2000;
    static constexpr size_t MEMORYBASE_SIZE = 0x20000;

    // Sets the board's bus hooks. The status byte keeps the version nibble of
    // status_without_card and gains the HuCard bit while a card is inserted.
    // This object must outlive the board's run.
    void install(board_emulator &board, uint8_t status_without_card = 0x30);

    void insert_card(std::vector<uint8_t> rom);
    bool insert_card_file(const std::string &path);
    void remove_card();

    // contents is padded or cut to 128 KiB.
    void attach_memorybase(std::vector<uint8_t> contents);
    bool attach_memorybase_file(const std::string &path);
    void detach_memorybase();
    // The 256 bytes an attached Memory Base answers to the signature request.
    void set_signature(std::vector<uint8_t> signature);
    // How long writing the Memory Base from GPRAM takes before the reply.
    void set_memorybase_write_ms(int milliseconds);
    std::vector<uint8_t> memorybase();

    // A card with dirty contacts: reads of the chosen ROM banks (8 KiB
    // each, counted in the ROM, whichever console bank shows them) return
    // garbage, only the first time each or, with every_read, every time
    // (different garbage each time).
    void set_flaky_banks(std::vector<unsigned> rom_banks, bool every_read);

    // Byte offset in a ROM of rom_size bytes that console bank `bank` shows
    // with the mapper register at `argument`; -1 where nothing drives the bus.
    // A card of a power-of-two size up to 512 KiB repeats through both 512 KiB
    // halves. A larger or uneven card puts its largest power-of-two part (at
    // most 512 KiB) in the lower half and the rest, repeated, in the upper
    // half: 384 KiB shows 256 KiB twice, then 128 KiB four times. Cards over
    // 1 MiB have a mapper: the upper half shows the 512 KiB page that the
    // argument selects.
    static long card_bank_offset(size_t rom_size, unsigned bank, uint8_t argument);

private:
    uint8_t on_request(uint8_t request, uint8_t argument);
    void on_data(size_t offset, uint8_t *out, size_t len);
    uint8_t card_byte(unsigned bank, uint8_t argument, size_t at) const;
    uint8_t flaky_garbage(unsigned bank, uint8_t argument, size_t at);
    void update_status();

    board_emulator *board_ = nullptr;
    uint8_t status_without_card_ = 0x30;

    std::mutex mutex_;
    bool card_present_ = false;
    std::vector<uint8_t> rom_;
    bool memorybase_present_ = false;
    std::vector<uint8_t> memorybase_ = std::vector<uint8_t>(MEMORYBASE_SIZE, 0);
    std::vector<uint8_t> signature_;
    int write_ms_ = 0;
    uint8_t request_ = 0;
    uint8_t argument_ = 0;
    std::vector<uint8_t> pending_write_;  // GPRAM banks 8..23 taken at request 0x82
    std::vector<unsigned> flaky_banks_;
    bool flaky_every_read_ = false;
    std::vector<int> bank_reads_;  // reads of each ROM bank so far
};
