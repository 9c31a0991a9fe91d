// Writes small compressed hunk files (version 5) of CD frames for codecs
// the installed chdman cannot write: a compressed map of hunks all stored
// with codec 0, each hunk made by a caller-given compressor, and CD track
// metadata. Field by field as the format lays them out, not through the
// reader under test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One hunk's frames (2448 bytes each) compressed as the codec stores them.
using chd_hunk_compressor = std::function<std::vector<uint8_t>(const std::vector<uint8_t> &)>;

struct chd_build {
    uint32_t codec;                     // the header's codec 0 tag
    uint32_t frames_per_hunk = 8;
    std::vector<uint8_t> frames;        // logical data: 2448-byte frames, tracks padded
    std::vector<std::string> tracks;    // CHT2 metadata texts, in order
};

// false when the file cannot be written.
bool chd_build_write(const std::string &name, const chd_build &b, const chd_hunk_compressor &compress);
