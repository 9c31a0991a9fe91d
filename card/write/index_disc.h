// The tracks of a block's index disc: one per image of the block, track n
// for record n. A CD image's track is a five-second audio preview taken from
// the image; a HuCard ROM's track is the ROM itself as Mode 1 data sectors
// (the board runs the ROM from there). The TOC is described in index_toc.h.
#pragma once

#include <cstdint>
#include <vector>

#include "card/cdimage/cd_description.h"
#include "card/store/disk_handle.h"
#include "card/cdimage/image_input.h"
#include "card/write/index_toc.h"
#include "core/log.h"

enum index_media { INDEX_MEDIA_CDROM, INDEX_MEDIA_HUROM };

struct index_track_request {
    index_media media;
    int64_t source;        // CDROM: first sector of the preview in image; -1: silence
    cd_source *image;      // CDROM: the disc's sectors, not owned
    uint32_t frames;       // the track's length
    uint32_t destination;  // its first stored sector in the index disc (PLBA + 150)
    uint8_t track;         // 1 to 99
    bool write_leadout;    // the track is the disc's last
    uint8_t leadout_q[Q_FRAME_SIZE];  // the TOC's A2 frame
    subchannel_transform transform;
};

// Writes the track's stored sectors (and the lead-out sector after them)
// into the index disc at the disk's relative point. rom holds the ROM's bytes
// (HUROM; empty for a CD image, whose preview comes from r.image). False with
// a message.
bool index_track_write(disk_handle *disk, log_sink *log, const std::vector<uint8_t> &rom,
                       const index_track_request &r);

// Where a CD image's preview starts: the first audio track after a data
// track, else track 2 if it is audio; *source -1 for silence. False, with
// "TRACK%02d not audio track", when track 2 is a data track.
bool preview_source(log_sink *log, const disc_description *d, int64_t *source);

// The new track of record track_index + 1, worked out before anything is
// written so that a refusal leaves the card untouched.
struct index_track_plan {
    int result;          // 1: the TOC is rewritten; 2: the track keeps its entry
    uint32_t toc_bytes;  // INDEX_FRESH_BYTES for a new index disc, else INDEX_TOC_READ_BYTES
    uint8_t toc[INDEX_FRESH_BYTES];
    index_track_request track;
};

// fresh: the index disc is being created. overwrite: the record exists and
// is replaced in place, so its track must keep its entry unless it is the
// disc's last ("update area is not found" otherwise). frame_limit: the index
// disc's length in stored sectors, which the new lead-out must stay inside.
// 0 with a message, or the plan's result.
int index_track_prepare(log_sink *log, disk_handle *disk, const image_input &in,
                        uint32_t track_index, bool fresh, bool overwrite,
                        subchannel_transform transform, uint32_t frame_limit,
                        index_track_plan *plan);
// Writes the track, then the TOC. False with a message.
bool index_track_commit(log_sink *log, disk_handle *disk, const std::vector<uint8_t> &rom,
                        const index_track_plan &plan);

// Index-disc frames a record's track takes: 375 for a CD image, one per
// 2048 bytes of a ROM.
uint32_t index_track_frames(const image_input &in);
