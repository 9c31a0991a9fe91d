// Disc kinds and the configuration word of a disc entry.
//
// Flags byte of an entry: bit 7 HuCard entry (clear: CD), bit 6 ROM+RAM card
// (HuCard entries), bit 0 unswappable disc (CD entries).
// Configuration word: bits 0..7 the kind value, bits 8..31 eight 3-bit
// settings (0 = "common", 1..4 the listed choices; 7 is never stored, commands
// use it to mean "keep").
#pragma once

#include <cstdint>

enum {
    DISC_FLAG_HUCARD = 0x80,
    DISC_FLAG_ROM_RAM = 0x40,
    DISC_FLAG_UNSWAPPABLE = 0x01,
    CD_KIND_COUNT = 7,
    HUCARD_KIND_COUNT = 4,
    CONFIG_SETTING_COUNT = 8,
    CONFIG_SETTING_KEEP = 7,
    KIND_VALUE_UNKNOWN = 2,  // the value of a kind index outside the table
};

struct disc_kind {
    int index;         // 1-based, as the window's choosers number them
    const char *name;  // nullptr for the unnamed HuCard kind 4
    uint8_t value;     // CD: the kind value; HuCard: the base value
};

struct config_setting {
    const char *name;
    int first_bit;
    const char *choices[4];  // choices 1..4; nullptr past the last
};

extern const disc_kind cd_kinds[CD_KIND_COUNT];
extern const disc_kind hucard_kinds[HUCARD_KIND_COUNT];
extern const config_setting config_settings[CONFIG_SETTING_COUNT];

// Table value of a kind index (HuCard: the base value, before the size
// class), or KIND_VALUE_UNKNOWN when the index is not in the table.
uint8_t kind_value_of(bool hucard, unsigned kind_index);

// Size class of a HuCard kind value (value = base + 4 * class) for a ROM size
// value (romconfig[1], plus 0x20 for a ROM+RAM card): 0 up to 0x20, 1 up to
// 0x40, else 2.
int hucard_size_class(unsigned size);
// The size value of a HuCard entry for hucard_size_class: romconfig1, plus
// 0x20 when the flags mark a ROM+RAM card.
unsigned hucard_size_value(uint8_t flags, uint8_t romconfig1);

// The word a newly added entry receives. For a HuCard entry both romconfig
// bytes must be non-zero (romconfig1 is the ROM size value); otherwise the
// result is 0, which is no kind's value.
uint32_t default_configuration_word(uint8_t flags, uint8_t romconfig0, uint8_t romconfig1);

// The kind index the window shows for an entry.
int kind_index_of(uint8_t flags, uint32_t config_word);
