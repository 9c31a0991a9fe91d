#include "card/layout/disc_kind.h"

const disc_kind cd_kinds[CD_KIND_COUNT] = {
    {1, "Unswappable Disc", 0x17}, {2, "Generic Disc", 0x11},       {3, "Audio Disc", 0x12},
    {4, "CD-ROM2 Disc", 0x13},     {5, "Super CD-ROM2 Disc", 0x14}, {6, "Arcade Card Disc", 0x15},
    {7, "ETC Disc", 0x16},
};

// The stored value is base + 4 * size class (0, 1 or 2), so 1..12.
const disc_kind hucard_kinds[HUCARD_KIND_COUNT] = {
    {1, "ROM+RAM card", 2},
    {2, "Generic ROM", 1},
    {3, "ROM card + save", 3},
    {4, nullptr, 4},
};

const config_setting config_settings[CONFIG_SETTING_COUNT] = {
    {"Backup RAM area", 8, {"0", "1", "2", "MMC"}},
    {"Screen aspect ratio", 11, {"fixed", "adjusted"}},
    {"Side area design", 14, {"black", "grid"}},
    {"VSync frequency", 17, {"60.00Hz", "original", "59.83Hz"}},
    {"Top and bottom cropping", 20, {"off", "BGOBJ", "BGonly"}},
    {"System card type in slot", 23, {"HE System", "Games Express"}},
    {"Virtual CD drive speed", 26, {"normal", "fast"}},
    {"Simulated scanlines", 29, {"off", "on"}},
};

namespace {

const uint32_t CD_GENERIC_WORD = 0x11;
const uint8_t HUCARD_GENERIC_ROM = 1;
const uint8_t HUCARD_ROM_RAM = 2;
const unsigned HUCARD_RAM_SIZE = 0x20;  // counted with the ROM size of a ROM+RAM card

}  // namespace

uint8_t kind_value_of(bool hucard, unsigned kind_index) {
    const disc_kind *table = hucard ? hucard_kinds : cd_kinds;
    int count = hucard ? HUCARD_KIND_COUNT : CD_KIND_COUNT;
    for (int i = 0; i < count; i++) {
        if (static_cast<unsigned>(table[i].index) == kind_index) return table[i].value;
    }
    return KIND_VALUE_UNKNOWN;
}

int hucard_size_class(unsigned size) {
    if (size <= 0x20) return 0;
    return size <= 0x40 ? 1 : 2;
}

unsigned hucard_size_value(uint8_t flags, uint8_t romconfig1) {
    return romconfig1 + ((flags & DISC_FLAG_ROM_RAM) ? HUCARD_RAM_SIZE : 0u);
}

uint32_t default_configuration_word(uint8_t flags, uint8_t romconfig0, uint8_t romconfig1) {
    if (!(flags & DISC_FLAG_HUCARD)) return CD_GENERIC_WORD;
    if (romconfig0 == 0 || romconfig1 == 0) return 0;
    bool rom_ram = flags & DISC_FLAG_ROM_RAM;
    return (rom_ram ? HUCARD_ROM_RAM : HUCARD_GENERIC_ROM) +
           4u * hucard_size_class(hucard_size_value(flags, romconfig1));
}

int kind_index_of(uint8_t flags, uint32_t config_word) {
    unsigned value = config_word & 0xFF;
    if (flags & DISC_FLAG_HUCARD) {
        if (flags == 0xC0) return 1;
        for (const disc_kind &k : hucard_kinds) {
            if (value >= 1 && value <= 12 && (value - 1) % 4 + 1 == k.value) return k.index;
        }
        return 2;
    }
    if (flags == DISC_FLAG_UNSWAPPABLE) return 1;
    for (const disc_kind &k : cd_kinds) {
        if (value == k.value) return k.index;
    }
    return 2;
}
