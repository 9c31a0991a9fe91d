// A disc described by a cue sheet as the card needs it: its TOC, the
// generated subchannel of each sector, and its sectors as a source.
#pragma once

#include <cstdint>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "card/cdimage/cue_sheet.h"
#include "platform/files.h"

// Control nibble of a track's Q frames: data bit plus the sheet's FLAGS.
uint8_t cue_track_control(const cue_track &t);

// The 96-byte subchannel block of disc sector lba (0: track 1's INDEX 01)
// inside track number track_index (into sheet.tracks): Q in mode 1 with
// control/ADR, track, index, relative time (counting down to 00:00:00 over
// the pregap), absolute time (lba + 150) and CRC; P set over pregaps; R to W
// zero.
void cue_subchannel_block(const cue_sheet &sheet, size_t track_index, uint32_t lba,
                          uint8_t block[96]);

// A0, A1, A2 (lead-out) and one entry per track. Free with description_free.
disc_description *cue_description(log_sink *log, const cue_sheet &sheet);

// The sheet loaded and its files opened; nullptr with a message. *sheet_out,
// when given, receives the sheet.
cd_source *cd_source_open_cue(log_sink *log, const char *sheet_name, cue_sheet *sheet_out);

// Where the bytes of a laid-out sheet's files come from: the files on disk,
// or the tracks kept inside a compressed disc image.
struct cue_file_reader {
    virtual ~cue_file_reader() = default;
    // count sectors from byte offset of sheet file `file`: their bytes into
    // pieces (one per sector; null: not wanted) and, from a file that keeps
    // a subchannel, its blocks into sub (per-channel layout, sub_stride
    // apart; null: not wanted). false with a message naming the file.
    virtual bool read(log_sink *log, int file, uint64_t offset, const file_piece *pieces,
                      size_t count, uint8_t *sub, size_t sub_stride) = 0;
    // Whether read fills sub for the file's sectors; otherwise their
    // subchannel is generated.
    virtual bool keeps_subchannel(int) const { return false; }
    // As for cd_source.
    virtual void begin_whole_read() {}
    virtual bool end_whole_read(log_sink *) { return true; }
    virtual bool check_all_data(log_sink *) { return true; }
};

// A source over a laid-out sheet whose file bytes come from reader (taken
// over). Generated sectors and the subchannel are made as for a sheet.
cd_source *cd_source_from_sheet(const cue_sheet &sheet, const char *name, cue_file_reader *reader);
