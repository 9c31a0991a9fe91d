// A disc as the dump groups keep it: one file per track, read straight from
// any image source without writing a file. Track 1's file starts at its
// INDEX 01, every later track's at its INDEX 00 (its pregap opens its own
// file), and each runs to the next file's start or the lead-out. Sectors are
// 2352 bytes and audio samples little-endian, as every cd_source yields them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "card/cdimage/image_input.h"
#include "core/log.h"

inline constexpr uint32_t DUMP_CHUNK_SECTORS = 2048;  // ~4.8 MB a read

struct dump_track {
    uint8_t number;   // 1 to 99
    bool audio;
    uint32_t first;   // the file's first sector on the disc (0: track 1's INDEX 01)
    uint32_t sectors;
    uint64_t bytes() const { return uint64_t{sectors} * CD_SECTOR_SIZE; }
};

// The track files of d's TOC read through source, in track order. Where an
// INDEX 00 begins is read from the subchannel Q frames before each INDEX 01.
// false with a message when the TOC lists no track, a track lies outside the
// source, or the subchannel cannot be read.
bool dump_tracks_list(log_sink *log, const disc_description *d, cd_source *source,
                      std::vector<dump_track> *out);

// Sectors [at, at + count) of the track's file into out (count * 2352
// bytes); at + count must not pass t.sectors. false with the source's
// message after a failed read.
bool dump_track_read(log_sink *log, cd_source *source, const dump_track &t, uint32_t at,
                     uint32_t count, uint8_t *out);

// The whole file in order, DUMP_CHUNK_SECTORS at a time (fewer at its end),
// to sink, which returns false to stop. false after a failed read or a stop.
bool dump_track_stream(log_sink *log, cd_source *source, const dump_track &t,
                       const std::function<bool(const uint8_t *data, size_t length)> &sink);
