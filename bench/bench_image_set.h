// A CD image set for the card benchmarks: prefix.img, .sub, .ccd and .cue.
#pragma once

#include <cstdint>
#include <string>

// One data track of sectors sectors: main bytes that vary, subchannel with
// valid Q frames; the cue sheet names prefix.img as its one BINARY file.
bool write_image_set(const std::string &prefix, uint32_t sectors);
