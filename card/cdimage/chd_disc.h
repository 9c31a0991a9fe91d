// A CD kept in a compressed hunk file: its track metadata turned into the
// layout a cue sheet gives (one sheet file per track), so TOC, generated
// pregaps and subchannel come out as for a sheet, and its sectors read
// hunk by hunk.
#pragma once

#include "card/cdimage/cd_source.h"
#include "card/cdimage/cue_sheet.h"
#include "card/cdimage/image_input.h"

// How CD images keep their frames: 2352 main bytes and 96 subchannel bytes
// each, every track's frames padded to a multiple of 4.
inline constexpr uint32_t CHD_CD_FRAME_BYTES = CD_SECTOR_SIZE + SUBCHANNEL_BLOCK_SIZE;
inline constexpr uint32_t CHD_CD_TRACK_PADDING = 4;

// nullptr with one message naming the file and what is wrong. *sheet_out,
// when given, receives the layout.
cd_source *cd_source_open_chd(log_sink *log, const char *name, cue_sheet *sheet_out);

// What a CD image keeps of one track: its frames, and whether their
// subchannel bytes hold the raw subchannel (P to W, interleaved as a drive
// reads it). Packed R-W data ("RW"), which lacks P and Q, no data
// ("NONE") and any other subtype leave the subchannel to be generated.
struct chd_track_frames {
    uint32_t stored;
    bool raw_subchannel;
};

// One track's metadata text ("TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE
// FRAMES:300 ..."), appended to sheet as its own file. false if not
// understood.
// The metadata's word for a track type ("MODE1_RAW", "AUDIO", ...).
const char *chd_track_type(cue_mode mode);

bool chd_track_parse(const std::string &text, cue_sheet *sheet, chd_track_frames *frames);
