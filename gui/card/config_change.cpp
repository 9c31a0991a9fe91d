#include "gui/card/config_change.h"

#include <cstdio>

// Backup RAM, aspect, scanlines, side area, VSync, cropping, system card, CD speed.
const int config_row_setting[CONFIG_SETTING_COUNT] = {0, 1, 7, 2, 3, 4, 5, 6};

namespace {

// Flags bits the kinds set; the other values of the option keep the flags.
const uint32_t DISC_OPTION_KEEP = 127;
const uint32_t ROM_OPTION_KEEP = 255;
const uint32_t ROM_OPTION_ROM_RAM = 192;
const uint32_t ROM_OPTION_PLAIN = 128;

}  // namespace

config_change config_change_pack(const int row_values[CONFIG_SETTING_COUNT], int cd_kind,
                                 int hucard_kind) {
    config_change c;
    for (int row = 0; row < CONFIG_SETTING_COUNT; row++) {
        const uint32_t value = static_cast<uint32_t>(row_values[row]) & 7;
        c.common_option |= value << config_settings[config_row_setting[row]].first_bit;
    }
    c.disc_icon = static_cast<uint32_t>(cd_kind);
    c.disc_option = cd_kind == 0 ? DISC_OPTION_KEEP : cd_kind == 1 ? DISC_FLAG_UNSWAPPABLE : 0;
    c.rom_icon = static_cast<uint32_t>(hucard_kind);
    c.rom_option = hucard_kind == 0   ? ROM_OPTION_KEEP
                   : hucard_kind == 1 ? ROM_OPTION_ROM_RAM
                                      : ROM_OPTION_PLAIN;
    return c;
}

std::vector<std::string> config_change_texts(const config_change &c) {
    std::vector<std::string> texts;
    for (uint32_t v : {c.disc_icon, c.disc_option, c.rom_icon, c.rom_option, c.common_option}) {
        char text[16];
        snprintf(text, sizeof text, "0x%x", v);
        texts.push_back(text);
    }
    return texts;
}

int config_row_value(uint32_t config, int row) {
    return static_cast<int>(config >> config_settings[config_row_setting[row]].first_bit) & 7;
}
