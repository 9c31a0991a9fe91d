// Writing a CD as a compressed hunk file (version 5), as other readers of
// such files expect it: one track metadata entry per track, hunks of 8
// frames of 2352 main bytes and the 96 raw subchannel bytes, every track's
// frames padded to a multiple of 4, each hunk in the smallest form its
// codecs give, the compressed map, and the data's SHA-1 and the file's
// overall SHA-1 in the header.
//
// Each track keeps its frames from its INDEX 00 on (track 1 from INDEX 01,
// the disc's first sector), so a pregap is stored data of the track, and
// its raw subchannel, which the reader hands back as it was stored. Audio
// is kept big-endian, as such files keep it.
#pragma once

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "core/log.h"

struct chd_write_options {
    // Offer zstd ("cdzs") besides LZMA, deflate and FLAC. Readers of this
    // format that predate it refuse the whole file, so it is asked for.
    bool zstd = false;
    // Threads compressing ahead of the writer; 0: the writer compresses.
    int threads = 2;
};

// Writes the disc that d describes and src holds (every sector of src, in
// order) into path, through a temporary file beside it that replaces path
// only once complete: a failure or a stop leaves no file under path. The
// gauge counts hunks; a stop is honoured between hunks. VMK_OK, or
// VMK_FAILED with a message (the TOC does not fit the sectors, a read
// error, a folder that cannot be written, "stopped").
int chd_write_disc(log_sink *log, const char *path, const disc_description &d, cd_source *src,
                   const chd_write_options &o);
