// Cards and inputs for the adding tests: a formatted memory card under a
// letter, HuCard ROM files (optionally with a chosen CRC-32) and small CD
// image sets built sector by sector.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "card/layout/card_layout.h"
#include "tests/card/store/memory_card.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

// A card of 1,000,000 sectors (capacity 12 per block) is big enough for
// every test here and costs only what is written.
constexpr uint64_t TEST_CARD_SECTORS = 1000000;

// Runs a card command on the drive: 0 success, 1 failure (card_dispatch).
int run_card(recording_log &log, const std::string &drive, const std::string &command,
             const std::vector<std::string> &args = {});
// Formats quietly; false when the format failed.
bool format_card(const std::string &drive);

// The card opened, on block b; nullptr (with a test failure) when it does
// not open. The disk is closed again: only the parsed state is returned.
std::unique_ptr<card_context> open_block(const std::string &drive, uint32_t b = 0);

// A ROM of size bytes of pseudo-random data; with crc given, its last four
// bytes are chosen so that the file's CRC-32 is crc.
std::vector<uint8_t> make_rom(uint32_t size, unsigned seed, const uint32_t *crc = nullptr);
void write_file(const std::string &name, const std::vector<uint8_t> &bytes);

// prefix.img/.sub/.ccd: a data track of data_sectors (main bytes seed + i)
// followed by an audio track of audio_sectors (none when 0).
void make_cd(const std::string &prefix, uint32_t data_sectors, uint32_t audio_sectors,
             uint8_t seed = 1);

// A HuCard ROM of 8 KiB and a CD image set (a data and an audio track) in a
// temporary folder, made from seed.
struct rom_and_disc {
    temp_dir dir;
    std::string rom = dir.path("game.pce");
    std::string disc = dir.path("disc");
    explicit rom_and_disc(unsigned seed, uint32_t data_sectors = 300, uint32_t audio_sectors = 300);
};

// The first image block up to the end of image 1's area and a little
// beyond (the file system before it carries the format's volume serial);
// empty when the card does not open.
std::vector<uint8_t> card_bytes(const memory_card &card);

// The first stored-sector bytes of a disc area from the medium.
std::vector<uint8_t> read_bytes(const memory_card &card, uint64_t sector, uint64_t byte_offset,
                                uint32_t length);
