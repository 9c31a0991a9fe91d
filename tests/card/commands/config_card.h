// A card image with two blocks laid out by hand, for the configuration,
// backup RAM and raw dump commands:
//   block 0 at 4097: index disc, CDs "One" .. "Three", HuCard "Four"
//     (romconfig 4, 0x10), CD "Five" (flags 0x01, word 0x17), CDs "Six",
//     "Seven";
//   block 1 after it: index disc, CDs "B1" .. "B3", HuCard "Hu" (romconfig 4,
//     0x30), CD "B5".
// Each index disc carries a table of contents with one track per image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/card/layout/card_image.h"

constexpr uint32_t BLOCK0 = 4097;
constexpr uint32_t CD_SECTORS = 8;
// An index disc as the adding command sizes it for a block of 12 discs
// (12 x 918000 + 2466800 bytes): the lead-out of its tracks lies inside it.
constexpr uint32_t INDEX_SECTORS = 26334;
constexpr uint64_t CARD_SECTORS = 60000;  // sparse

struct config_card {
    card_image card{CARD_SECTORS};
    uint32_t block1 = 0;

    config_card();
    // Fields of record r of the block at sector b, as stored on the card.
    uint8_t flags(uint32_t b, uint32_t r);
    uint32_t word(uint32_t b, uint32_t r);  // from the settings sector
    uint32_t amount(uint32_t b);
    uint32_t next(uint32_t b);
    std::string name_sector(uint32_t b, uint32_t r);
    // Sector of record r's area.
    uint32_t area(uint32_t b, uint32_t r);
    std::string cdlist();  // "cdlist.txt", read with mtools
    // Every listed image as "image# offset length flags config name" rows,
    // in chain and display order; empty when the card does not open.
    std::vector<std::string> listing();
    // Everything the commands may write: both block headers, the start of
    // each index disc (TOC, list, settings, backup RAM areas) and the discs.
    std::vector<uint8_t> snapshot();
};

// An index disc's table of contents as Q frames: A0, A1, A2, then tracks
// of 375 frames from 00:02:00.
std::vector<uint8_t> toc_frames(uint32_t tracks);
