// Builds firmware packages (.pac) as the board's updater reads them: an
// unpacked image is deflated into a zlib stream, padded to whole 256-byte
// blocks and scrambled with the package mask.
#pragma once

#include <cstdint>
#include <vector>

// The unpacked image: the 24-byte header, the data block right after it and
// the configuration (.jic layout) right after the data.
std::vector<uint8_t> package_assemble(uint32_t data_address, const std::vector<uint8_t> &data,
                                      const std::vector<uint8_t> &jic);

// Deflates, pads with zero bytes to a multiple of 256 and scrambles. Empty
// when zlib fails.
std::vector<uint8_t> package_pack(const std::vector<uint8_t> &unpacked);
