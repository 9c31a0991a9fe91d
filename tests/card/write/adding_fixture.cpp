#include "tests/card/write/adding_fixture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>

#include "card/commands/card_dispatch.h"
#include "platform/files.h"
#include "tests/card/cdimage/image_set.h"

int run_card(recording_log &log, const std::string &drive, const std::string &command,
             const std::vector<std::string> &args) {
    std::vector<const char *> v{"", command.c_str(), drive.c_str()};
    for (const std::string &a : args) v.push_back(a.c_str());
    return card_dispatch(log.sink, static_cast<int>(v.size()), v.data());
}

bool format_card(const std::string &drive) {
    recording_log log;
    return run_card(log, drive, "format") == 0;
}

std::unique_ptr<card_context> open_block(const std::string &drive, uint32_t b) {
    recording_log log;
    auto c = std::make_unique<card_context>();
    c->log = log.sink;
    c->drive = drive.c_str();
    c->disk = nullptr;
    bool ok = card_open(c.get()) && managearea_select(c.get(), b);
    if (c->disk != nullptr) disk_close(c->disk);
    c->disk = nullptr;
    c->log = nullptr;
    c->drive = nullptr;
    EXPECT_TRUE(ok) << "the card does not open: " << log.text();
    return ok ? std::move(c) : nullptr;
}

namespace {

uint32_t crc_of(const std::vector<uint8_t> &b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

// CRC-32 is affine in the message bits: solve for the last 32 bits.
void force_crc(std::vector<uint8_t> *rom, uint32_t target) {
    size_t tail = rom->size() - 4;
    for (size_t k = 0; k < 4; k++) (*rom)[tail + k] = 0;
    uint32_t base = crc_of(*rom);
    uint32_t column[32];
    for (int j = 0; j < 32; j++) {
        (*rom)[tail + j / 8] ^= static_cast<uint8_t>(1 << (j % 8));
        column[j] = crc_of(*rom) ^ base;
        (*rom)[tail + j / 8] ^= static_cast<uint8_t>(1 << (j % 8));
    }
    // Gaussian elimination over GF(2): rows are result bits.
    uint64_t rows[32];
    for (int r = 0; r < 32; r++) {
        uint64_t row = uint64_t{((target ^ base) >> r) & 1} << 32;
        for (int j = 0; j < 32; j++) row |= uint64_t{(column[j] >> r) & 1} << j;
        rows[r] = row;
    }
    int pivot_row[32];
    int r = 0;
    for (int j = 0; j < 32 && r < 32; j++) {
        int p = r;
        while (p < 32 && !((rows[p] >> j) & 1)) p++;
        if (p == 32) continue;
        std::swap(rows[p], rows[r]);
        for (int q = 0; q < 32; q++)
            if (q != r && ((rows[q] >> j) & 1)) rows[q] ^= rows[r];
        pivot_row[j] = r++;
    }
    ASSERT_EQ(r, 32) << "CRC bits are not independent";
    for (int j = 0; j < 32; j++)
        if ((rows[pivot_row[j]] >> 32) & 1)
            (*rom)[tail + j / 8] ^= static_cast<uint8_t>(1 << (j % 8));
    ASSERT_EQ(crc_of(*rom), target);
}

}  // namespace

std::vector<uint8_t> make_rom(uint32_t size, unsigned seed, const uint32_t *crc) {
    std::vector<uint8_t> rom(size);
    std::mt19937 random(seed);
    for (uint8_t &b : rom) b = static_cast<uint8_t>(random());
    if (crc != nullptr) force_crc(&rom, *crc);
    return rom;
}

void write_file(const std::string &name, const std::vector<uint8_t> &bytes) {
    FILE *f = stdio_file_open(name.c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void make_cd(const std::string &prefix, uint32_t data_sectors, uint32_t audio_sectors,
             uint8_t seed) {
    std::vector<sector_spec> sectors;
    add_track(&sectors, 0x40, 1, 150, data_sectors, seed);
    std::vector<entry_spec> toc = {{0xA0, 4, 1, 0, 0},
                                   {0xA1, 0, audio_sectors ? 2 : 1, 0, 0},
                                   {0xA2, 0, 0, 0, 0},
                                   {1, 4, 0, 2, 0}};
    uint32_t end = 150 + data_sectors;
    if (audio_sectors > 0) {
        add_track(&sectors, 0x00, 2, end, audio_sectors, static_cast<uint8_t>(seed + 0x80));
        const long at = end;  // long is 32 bits on Windows: no narrowing in braces
        toc.push_back({2, 0, at / 4500, at / 75 % 60, at % 75});
        end += audio_sectors;
    }
    toc[2].pmin = end / 4500, toc[2].psec = end / 75 % 60, toc[2].pframe = end % 75;
    write_image(prefix, sectors);
    write_text(prefix + ".ccd", description_text("[CloneCD]\nVersion=3\n", toc));
}

std::vector<uint8_t> read_bytes(const memory_card &card, uint64_t sector, uint64_t byte_offset,
                                uint32_t length) {
    uint64_t first = sector + byte_offset / 512;
    uint64_t skip = byte_offset % 512;
    uint32_t count = static_cast<uint32_t>((skip + length + 511) / 512);
    std::vector<uint8_t> bytes = card.read(first, count);
    return std::vector<uint8_t>(bytes.begin() + skip, bytes.begin() + skip + length);
}

rom_and_disc::rom_and_disc(unsigned seed, uint32_t data_sectors, uint32_t audio_sectors) {
    write_file(rom, make_rom(8192, seed));
    make_cd(disc, data_sectors, audio_sectors, static_cast<uint8_t>(seed));
}

std::vector<uint8_t> card_bytes(const memory_card &card) {
    auto c = open_block(card.drive());
    if (c == nullptr) return {};
    uint64_t length = c->entries[1].offset + c->entries[1].length + 64;
    return card.read(c->block, static_cast<uint32_t>(length));
}
