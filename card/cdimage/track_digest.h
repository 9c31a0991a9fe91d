// CRC-32, SHA-1 and size of a dump-group track file, read once: the read
// and CRC-32 on the calling thread, SHA-1 of the previous chunk on a second
// one, so that a check costs about one pass of the slower of the two.
#pragma once

#include <cstdint>

#include "card/cdimage/dump_tracks.h"

struct track_digest {
    uint64_t size;
    uint32_t crc;
    uint8_t sha1[20];
};

// false with the source's message after a failed read, or when a stop was
// asked between two chunks.
bool dump_track_digest(log_sink *log, cd_source *source, const dump_track &t, track_digest *out);
