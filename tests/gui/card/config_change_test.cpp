// The configuration window's change request and the values it shows.
#include "gui/card/config_change.h"

#include <gtest/gtest.h>

#include "card/commands/config_request.h"

namespace {

struct pack_case {
    const char *context;
    int rows[CONFIG_SETTING_COUNT];  // window order
    int cd_kind, hucard_kind;
    config_change want;
};

TEST(ConfigChange, PacksRowsInBitOrderAndKindsWithOptions) {
    const pack_case cases[] = {
        {"all unchecked, icons unchanged: changes nothing",
         {7, 7, 7, 7, 7, 7, 7, 7}, 0, 0, {0, 127, 0, 255, 0xFFFFFF00}},
        {"all common, generic kinds", {0, 0, 0, 0, 0, 0, 0, 0}, 2, 2, {2, 0, 2, 128, 0}},
        {"unswappable disc, ROM+RAM card", {0, 0, 0, 0, 0, 0, 0, 0}, 1, 1, {1, 1, 1, 192, 0}},
        // Window row 2 is "Simulated scanlines" (bits 29..31), row 3 "Side area design" (14..16).
        {"each row lands in its own group",
         {4, 2, 2, 1, 3, 3, 2, 1}, 7, 3,
         {7, 0, 3, 128, (4u << 8) | (2u << 11) | (2u << 29) | (1u << 14) | (3u << 17) | (3u << 20) |
                            (2u << 23) | (1u << 26)}},
    };
    for (const pack_case &c : cases) {
        const config_change got = config_change_pack(c.rows, c.cd_kind, c.hucard_kind);
        EXPECT_EQ(got.disc_icon, c.want.disc_icon) << c.context;
        EXPECT_EQ(got.disc_option, c.want.disc_option) << c.context;
        EXPECT_EQ(got.rom_icon, c.want.rom_icon) << c.context;
        EXPECT_EQ(got.rom_option, c.want.rom_option) << c.context;
        EXPECT_EQ(got.common_option, c.want.common_option) << c.context;
    }
}

TEST(ConfigChange, RowValuesReadBackWhatWasPacked) {
    const int rows[CONFIG_SETTING_COUNT] = {4, 2, 2, 1, 3, 3, 2, 1};
    const config_change c = config_change_pack(rows, 2, 2);
    for (int row = 0; row < CONFIG_SETTING_COUNT; row++)
        EXPECT_EQ(config_row_value(c.common_option | 5, row), rows[row]) << "row " << row;
    EXPECT_STREQ(config_settings[config_row_setting[2]].name, "Simulated scanlines");
}

TEST(ConfigChange, CommandTextsAreHexadecimalAndApplyAsChosen) {
    const int rows[CONFIG_SETTING_COUNT] = {7, 7, 7, 7, 7, 7, 7, 7};
    const config_change c = config_change_pack(rows, 0, 1);
    const std::vector<std::string> texts = config_change_texts(c);
    EXPECT_EQ(texts, (std::vector<std::string>{"0x0", "0x7f", "0x1", "0xc0", "0xffffff00"}));

    // "ROM+RAM card" on a HuCard with romconfig[1] 0x30 gives kind value 10.
    const char *argv[5] = {texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(),
                           texts[4].c_str()};
    config_request r;
    ASSERT_TRUE(config_request_parse(log_null(), argv, &r));
    disc_entry e{};
    e.flags = 0x80;
    e.romconfig[0] = 0x01;
    e.romconfig[1] = 0x30;
    e.config = 0x00012305;
    config_request_apply(r, &e);
    EXPECT_EQ(e.config & 0xFF, 10u);
    EXPECT_EQ(e.config & 0xFFFFFF00, 0x00012300u) << "settings kept";
    EXPECT_EQ(e.flags, 0xC0);
}

}  // namespace
