// The text and JSON forms of `vmk ports`, `vmk card drives` and `vmk card
// list`, built from the engine's records so tests can check them without a
// system behind them.
#pragma once

#include <string>
#include <vector>

#include "card/commands/card_list.h"
#include "card/store/drive_table.h"
#include "platform/serial.h"

struct drive_row {
    drive_entry entry;
    std::vector<std::string> mounts;  // block devices: every mounted part
    bool via_service = false;         // opened through the system's disk service
};

// "7.4 GiB", "512.0 MiB", "980 KiB"
std::string size_text(uint64_t bytes);

std::string ports_text(const std::vector<serial_port_info> &ports, bool json);
std::string drives_text(const std::vector<drive_row> &drives,
                        const std::vector<rejected_disk> *rejected, bool json);
// dat_column: each row's DAT verdict (card_list_row::dat) as a column and a
// JSON field.
std::string card_list_text(const card_list &list, bool json, bool dat_column = false);
