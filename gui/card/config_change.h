// The configuration window's values and the change request it sends: five
// numbers for config_single / config_multi (disc icon, disc option, rom icon,
// rom option, common option).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/layout/disc_kind.h"

// The window shows the eight settings in this order; each refers to its row
// of config_settings, which gives the bits and the choices.
extern const int config_row_setting[CONFIG_SETTING_COUNT];

struct config_change {
    uint32_t disc_icon = 0;
    uint32_t disc_option = 0;
    uint32_t rom_icon = 0;
    uint32_t rom_option = 0;
    uint32_t common_option = 0;
};

// row_values in window order: 0 "common", k the k-th choice, 7 keep (row
// unchecked or no choice set). cd_kind and hucard_kind are the choosers'
// indexes, 0 meaning "icon unchanged".
config_change config_change_pack(const int row_values[CONFIG_SETTING_COUNT], int cd_kind,
                                 int hucard_kind);
// The five numbers as the commands take them, "0x%x".
std::vector<std::string> config_change_texts(const config_change &c);
// The 3-bit value of window row `row` in a listed config value.
int config_row_value(uint32_t config, int row);
