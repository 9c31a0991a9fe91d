#include "card/layout/disc_kind.h"

#include <gtest/gtest.h>

TEST(DiscKind, DefaultConfigurationWord) {
    struct {
        const char *context;
        uint8_t flags, romconfig0, romconfig1;
        uint32_t word;
    } cases[] = {
        {"CD", 0x00, 0, 0, 0x11},
        {"unswappable CD still starts generic", 0x01, 0, 0, 0x11},
        {"ROM of 32 units", 0x80, 1, 32, 1},
        {"ROM of 33 units", 0x80, 1, 33, 5},
        {"ROM of 64 units", 0x80, 1, 64, 5},
        {"ROM of 65 units", 0x80, 1, 65, 9},
        {"flags just below ROM+RAM", 0xBF, 1, 200, 9},
        {"ROM+RAM of 32 units", 0xC0, 1, 32, 6},
        {"ROM+RAM of 33 units", 0xC0, 1, 33, 10},
        {"ROM+RAM with more flags", 0xC1, 1, 1, 6},
        {"HuCard without ROM size", 0x80, 1, 0, 0},
        {"HuCard without ROM configuration", 0x80, 0, 32, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(default_configuration_word(c.flags, c.romconfig0, c.romconfig1), c.word)
            << c.context;
    }
}

TEST(DiscKind, KindIndexOfEntry) {
    struct {
        const char *context;
        uint8_t flags;
        uint32_t word;
        int kind;
    } cases[] = {
        {"unswappable flag wins over the word", 0x01, 0x11, 1},
        {"unswappable value", 0x00, 0x17, 1},
        {"generic", 0x00, 0x11, 2},
        {"audio, settings bits ignored", 0x00, 0xFFFFFF12, 3},
        {"CD-ROM2", 0x00, 0x13, 4},
        {"Super CD-ROM2", 0x00, 0x14, 5},
        {"Arcade Card", 0x00, 0x15, 6},
        {"ETC", 0x00, 0x16, 7},
        {"unknown CD value", 0x00, 0x18, 2},
        {"CD flags other than exactly 1", 0x41, 0x14, 5},
        {"ROM+RAM flags exactly", 0xC0, 0x01, 1},
        {"ROM+RAM flags with another bit", 0xC1, 0x01, 2},
        {"generic ROM, size classes", 0x80, 0x09, 2},
        {"ROM+RAM value", 0x80, 0x06, 1},
        {"ROM card + save", 0x80, 0x0B, 3},
        {"unnamed kind 4", 0x80, 0x0C, 4},
        {"HuCard value 0", 0x80, 0x00, 2},
        {"HuCard value 13", 0x80, 0x0D, 2},
    };
    for (const auto &c : cases) EXPECT_EQ(kind_index_of(c.flags, c.word), c.kind) << c.context;
}

TEST(DiscKind, KindValuesAndNames) {
    struct {
        bool hucard;
        unsigned index;
        uint8_t value;
        const char *name;
    } cases[] = {
        {false, 1, 0x17, "Unswappable Disc"},
        {false, 2, 0x11, "Generic Disc"},
        {false, 3, 0x12, "Audio Disc"},
        {false, 4, 0x13, "CD-ROM2 Disc"},
        {false, 5, 0x14, "Super CD-ROM2 Disc"},
        {false, 6, 0x15, "Arcade Card Disc"},
        {false, 7, 0x16, "ETC Disc"},
        {true, 1, 2, "ROM+RAM card"},
        {true, 2, 1, "Generic ROM"},
        {true, 3, 3, "ROM card + save"},
        {true, 4, 4, nullptr},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(kind_value_of(c.hucard, c.index), c.value);
        const disc_kind &k = (c.hucard ? hucard_kinds : cd_kinds)[c.index - 1];
        EXPECT_EQ(k.index, static_cast<int>(c.index));
        EXPECT_STREQ(k.name, c.name);
        // What kind_index_of reads back from a stored value (size class 0).
        uint8_t flags = c.hucard ? 0x80 : 0x00;
        EXPECT_EQ(kind_index_of(flags, kind_value_of(c.hucard, c.index)),
                  static_cast<int>(c.index));
    }
    EXPECT_EQ(kind_value_of(false, 0), KIND_VALUE_UNKNOWN);
    EXPECT_EQ(kind_value_of(false, 8), KIND_VALUE_UNKNOWN);
    EXPECT_EQ(kind_value_of(true, 5), KIND_VALUE_UNKNOWN);
}

TEST(DiscKind, SettingsCoverBits8To31InThreeBitGroups) {
    for (int i = 0; i < CONFIG_SETTING_COUNT; i++) {
        EXPECT_EQ(config_settings[i].first_bit, 8 + 3 * i) << config_settings[i].name;
    }
    EXPECT_STREQ(config_settings[0].choices[3], "MMC");
    EXPECT_STREQ(config_settings[3].choices[2], "59.83Hz");
    EXPECT_EQ(config_settings[7].choices[2], nullptr);
}
