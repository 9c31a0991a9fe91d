// The card's images as the window's image list page shows them, for that
// page and for `vmk card list`. Built on card_enumerate; the text rules live
// here once so the window and the command line cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"

struct card_list_row {
    uint32_t image_number = 0;  // block * 100 + record
    uint32_t offset = 0;        // sectors from the block's own sector
    uint32_t length = 0;        // sectors of 512 bytes
    uint8_t flags = 0;          // flags byte; bit 7: HuCard entry
    uint32_t config = 0;        // kind index in bits 0..7, config word bits 8..31
    std::string name;           // UTF-8
    std::string number;         // "05" on a one-block card, else "1-05"
    std::string kind_mark;      // two characters: "D ", "Dr", "R ", "Rx", ...
    std::string text;           // the list row: number, blank, mark, blank, name
    uint64_t size_bytes = 0;    // length * 512
    std::string dat;            // the DAT check's verdict when one was asked for
};

struct card_list {
    uint32_t card_sectors = 0;  // the whole card
    uint32_t blocks = 0;        // management-area blocks in the chain
    uint64_t used_sectors = 0;  // sum of the rows' lengths
    unsigned percent = 0;       // used * 100 / card_sectors, whole
    std::string capacity_label;  // "488/1464MiB 33%" or " 0.5/ 1.5GiB 33%"
    std::vector<card_list_row> rows;  // blocks in chain order, each in display order
};

// False, with the reason in the log, when the card could not be read.
bool card_list_rows(log_sink *log, const char *drive, card_list *out);

// The parts, for callers that enumerate on their own.
const char *card_list_kind_mark(uint8_t flags);
std::string card_list_number(uint32_t image_number, uint32_t blocks);
std::string card_list_capacity_label(uint64_t used_sectors, uint32_t card_sectors);
// The DAT column before a row's text: the verdict padded to one width.
std::string card_list_dat_column(const std::string &dat);
