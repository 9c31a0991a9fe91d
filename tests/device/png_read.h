// Reads a PNG back for assertions: the chunk names in file order and the raw
// rows (palette indices stay indices) through libpng's reading side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct png_contents {
    bool ok = false;
    int width = 0, height = 0, bit_depth = 0, color_type = -1, interlace = -1;
    std::vector<std::string> chunks;
    std::vector<uint8_t> first_idat;         // start of the first IDAT (zlib header)
    std::vector<std::vector<uint8_t>> rows;  // as stored, no transforms
    std::vector<uint8_t> plte;               // R G B per entry
    std::vector<uint8_t> trns;
};

png_contents png_load(const std::string &path);
