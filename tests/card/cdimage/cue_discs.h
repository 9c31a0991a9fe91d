// Generated discs described by cue sheets, written into a folder, each with
// the layout its sheet should give: where every track and index begins, the
// Q control, and which sectors are pregap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// From first_lba on (until the next segment): track, index, Q control
// nibble, and the track's INDEX 01 position (relative time is counted from
// it, down to 00:00:00 at the last pregap sector).
struct q_segment {
    uint32_t first_lba;
    int track;
    int index;
    uint8_t control;
    uint32_t index_one;
};

struct cue_bin_file {
    std::string name;
    uint32_t sectors;
    uint32_t sector_size;  // 2352 or 2048
};

struct cue_disc_case {
    const char *context;
    std::string sheet;  // text of disc.cue
    std::vector<cue_bin_file> files;
    uint32_t sector_count;
    std::vector<q_segment> segments;
};

const std::vector<cue_disc_case> &cue_disc_cases();

// Pseudo-random content of a file, the same for the same name and size.
std::vector<uint8_t> cue_file_bytes(const cue_bin_file &f);
// Writes the case's files and disc.cue into folder; returns the sheet's path.
std::string write_cue_disc(const std::string &folder, const cue_disc_case &c);
