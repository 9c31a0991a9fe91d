// A generated disc kept as the dump groups keep discs (one file per track,
// each later track's pregap at the start of its own file), and the cue sheets
// of the other layouts we read that describe the same sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct dump_disc_track {
    bool audio;
    uint32_t pregap;   // sectors before INDEX 01 at the start of the file
    uint32_t sectors;  // the whole file
};

struct dump_disc {
    std::vector<dump_disc_track> tracks;
    uint32_t seed;
};

// Data, three audio tracks (one without a pregap), data again.
dump_disc dump_disc_mixed();

// Pseudo-random bytes of track k's file (index into d.tracks), audio
// little-endian; the same for the same disc and seed.
std::vector<uint8_t> dump_disc_track_bytes(const dump_disc &d, size_t k);

// "Track 01.bin" and the like.
std::string dump_disc_track_name(size_t k);

enum dump_disc_layout {
    LAYOUT_FILE_PER_TRACK,  // the dump files themselves
    LAYOUT_ONE_FILE,        // all tracks in one file
    LAYOUT_APPENDED_GAPS,   // each pregap at the end of the previous track's file
    LAYOUT_MOTOROLA_AUDIO,  // a file per track, audio files big-endian
};

// Writes the files of the layout and its sheet into folder; returns the
// sheet's path.
std::string write_dump_disc(const std::string &folder, const dump_disc &d, dump_disc_layout layout);

// Writes folder/disc.img, .sub (Q position frames, index 00 over pregaps)
// and .ccd; returns the prefix.
std::string write_dump_disc_set(const std::string &folder, const dump_disc &d);
