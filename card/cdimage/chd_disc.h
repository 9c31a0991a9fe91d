// A CD kept in a compressed hunk file: its track metadata turned into the
// layout a cue sheet gives (one sheet file per track), so TOC, generated
// pregaps and subchannel come out as for a sheet, and its sectors read
// hunk by hunk.
#pragma once

#include "card/cdimage/cd_source.h"
#include "card/cdimage/cue_sheet.h"

// nullptr with one message naming the file and what is wrong. *sheet_out,
// when given, receives the layout.
cd_source *cd_source_open_chd(log_sink *log, const char *name, cue_sheet *sheet_out);

// One track's metadata text ("TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE
// FRAMES:300 ..."), appended to sheet as its own file; *stored_frames
// receives the frames the image keeps for it. false if not understood.
bool chd_track_parse(const std::string &text, cue_sheet *sheet, uint32_t *stored_frames);
