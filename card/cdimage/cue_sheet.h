// Cue sheets: the text that describes a disc kept as one or more BINARY
// files (one per track, or one for the whole disc), parsed into a plain
// record, and the disc layout worked out from it: which disc sector comes
// from which file position, and which sectors are generated (PREGAP,
// POSTGAP) because the files do not hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"

enum cue_mode { CUE_AUDIO, CUE_MODE1_2352, CUE_MODE1_2048, CUE_MODE2_2352 };

inline constexpr int CUE_TRACKS_MAX = 99;
inline constexpr int CUE_INDEXES_MAX = 100;  // 00 to 99

struct cue_file {
    std::string path;  // joined with the sheet's folder
    bool motorola;     // big-endian audio samples
    uint64_t size;     // bytes, filled by cue_layout
};

struct cue_index {
    uint8_t number;
    uint32_t frame;  // position in the track's file, in sectors
};

struct cue_track {
    uint8_t number;
    cue_mode mode;
    uint8_t flags;  // control bits: 0x08 4CH, 0x02 DCP, 0x01 PRE
    int file;       // into cue_sheet::files
    uint32_t pregap, postgap;  // generated sectors
    std::vector<cue_index> indexes;  // ascending numbers, 01 present
    std::string isrc;
    // A pregap appended to the previous file: INDEX 00 stands near the end of
    // the previous track's file (gap_file, at gap_frame) and INDEX 01 in the
    // track's own file; indexes then starts at 01. -1: no such gap.
    int gap_file = -1;
    uint32_t gap_frame;

    // Filled by cue_layout: disc positions (0 is track 1's INDEX 01).
    uint32_t disc_pregap;  // first sector of the track (its pregap, if any)
    uint32_t disc_start;   // INDEX 01
    uint32_t disc_end;     // one past the last sector, postgap included
    uint32_t file_sectors;
    uint64_t file_offset;  // byte position of the first sector read from the file
    uint32_t file_first;   // disc sector that file_offset holds
    uint32_t gap_sectors;  // of an appended pregap: the sectors gap_file holds,
    uint64_t gap_offset;   // the byte position of the first,
    uint32_t gap_first;    // and its disc sector (file_first follows the last)
};

struct cue_sheet {
    std::string name;  // the sheet's own file name, for messages
    std::vector<cue_file> files;
    std::vector<cue_track> tracks;
    std::string catalog;
    uint32_t sector_count;  // filled by cue_layout
};

// Parses text (length bytes, UTF-8, any line ends). folder is prefixed to
// relative FILE names. false with one line naming the sheet and the fault.
bool cue_parse(log_sink *log, const char *sheet_name, const char *text, size_t length,
               const std::string &folder, cue_sheet *out);

// Sector size of a track's data in its file: 2048 or 2352.
uint32_t cue_file_sector_size(cue_mode mode);
// A TRACK line's mode word ("AUDIO", "MODE1/2352", ...; any letter case).
bool cue_mode_from_name(const std::string &word, cue_mode *mode);

// Examines the files (existence, size) and places every sector on the disc.
// false with one line naming the file and what is wrong.
bool cue_layout(log_sink *log, cue_sheet *sheet);

// cue_layout's second half: the file sizes already in sheet->files.
bool cue_place(log_sink *log, cue_sheet *sheet);

// Reads and parses a sheet from disk, then lays it out.
bool cue_load(log_sink *log, const char *sheet_name, cue_sheet *out);
