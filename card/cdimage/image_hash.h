// CRC-32 listing of the data tracks of a CD image, for comparing images.
//
// Output, one line per data track in TOC order:
//   "%02x %02x:%02x:%02x %08x %6u%c\n"
// point, P position (BCD), CRC-32 (zlib) of the hashed main sectors, their
// count, and how the run ended: 'n' at the next TOC entry, 'e' at the end of
// the image, 'd' at an audio sector, 't' where the Q track number changed.
#pragma once

#include <cstdint>

#include "card/cdimage/cd_description.h"
#include "core/log.h"

inline constexpr int HASH_CHUNK_SECTORS = 8192;

// A disc's sectors as the listing reads them: image files on the computer, or
// (later) a disc stored on the card. Both reads return how many sectors
// arrived, fewer than asked at the end of the source.
struct hash_sector_source {
    void *user;
    uint32_t sector_count;
    // Distance between subchannel blocks in what read_subchannel delivers, 96
    // or more; each block starts with 96 bytes in the per-channel layout (a
    // source whose blocks are interleaved converts them back first).
    uint32_t subchannel_stride;
    uint32_t (*read_subchannel)(void *user, uint32_t first, uint32_t count, uint8_t *out);
    // 2352-byte main sectors, back to back.
    uint32_t (*read_main)(void *user, uint32_t first, uint32_t count, uint8_t *out);
    // Optional (nullptr: read_main and zlib's crc32 over its output): extends
    // *crc over the main bytes of sectors [first, first + count) and returns
    // how many it covered, for a source that holds them without copying.
    uint32_t (*crc_main)(void *user, uint32_t first, uint32_t count, uint32_t *crc);
    // Optional (nullptr: never): whether the reads so far met an error, which
    // makes a short read a failure rather than the end of the source.
    bool (*failed)(void *user);
};

// Lists every data track of d's TOC read through src. 1 after listing them
// all, 0 after a read error (reported as "read error").
int hash_data_tracks(log_sink *log, const disc_description *d, const hash_sector_source *src);

// Card command "mmchash": argv[0] is the image prefix (prefix.img, prefix.sub,
// prefix.cdm or prefix.ccd). 1 after listing, 0 when the input cannot be read.
int hash_listing(log_sink *log, int argc, const char *const *argv);
