#include "card/write/rom_classify.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>

#include "card/layout/disc_kind.h"

namespace {

constexpr uint32_t KIB = 1024;

struct registered_rom {
    uint32_t size;
    uint32_t crc;
};
// System cards that carry extra RAM on the board.
constexpr registered_rom registered[] = {
    {0x4000, 0x20E0A364}, {0x8000, 0x51A12D90}, {0x40000, 0x6D9A73EF}};

constexpr uint32_t usual_sizes[] = {8, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024};

}  // namespace

rom_class rom_classify(log_sink *log, const uint8_t *rom, uint32_t size) {
    rom_class r{{4, static_cast<uint8_t>(size / 8192)}, DISC_FLAG_HUCARD};
    if (size > 512 * KIB) {
        r.romconfig[0] = 6;
        r.flags |= 0x20;
        log_line(log, "warning: ROM size over 512 KiB, does not work");
    } else if (size > 384 * KIB) {
        r.romconfig[0] = 6;
        r.flags |= 0x10;
    } else if (size > 256 * KIB) {
        r.romconfig[0] = 5;
        r.flags |= 0x10;
    }
    if (std::find(std::begin(usual_sizes), std::end(usual_sizes), size / KIB) ==
        std::end(usual_sizes))
        log_line(log, "warning:strange ROM size");
    uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, Z_NULL, 0), rom, size));
    for (const registered_rom &known : registered) {
        if (known.size == size && known.crc == crc) {
            r.flags |= DISC_FLAG_ROM_RAM;
            log_line(log,
                     "registed CRC32 is matched. Extra RAM and Super System Card register "
                     "are mapped.");
        }
    }
    return r;
}
