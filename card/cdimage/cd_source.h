// Where the sectors of a CD image come from while it is added, hashed or
// previewed: the files of an image set, or a disc converted on the fly from
// a cue sheet. Nothing is converted to a temporary set on disk; a source
// holds at most one read's worth of sectors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "card/cdimage/subchannel_q.h"
#include "core/log.h"

// Where read puts each sector: 2352 main bytes at main + k * main_stride and
// 96 subchannel bytes (per-channel layout) at sub + k * sub_stride. A null
// pointer skips that part.
struct cd_sector_target {
    uint8_t *main;
    size_t main_stride;
    uint8_t *sub;
    size_t sub_stride;
};

struct cd_source {
    std::string name;  // what messages name
    uint32_t sector_count = 0;
    virtual ~cd_source() = default;
    // Sectors [first, first + count), which must lie inside sector_count.
    // false with a message naming the file.
    virtual bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) = 0;
    // A source that keeps a check over all of its data (a compressed
    // image's SHA-1) verifies it around a read of every sector in order (an
    // add), at its end; or on its own, reading its data once before anything
    // is written (an image overwritten in place), after which the whole
    // read checks nothing more. false with a message naming the file.
    virtual void begin_whole_read() {}
    virtual bool end_whole_read(log_sink *) { return true; }
    virtual bool check_all_data(log_sink *) { return true; }
};

// prefix.img and prefix.sub (sizes already checked); nullptr with a message.
cd_source *cd_source_open_set(log_sink *log, const char *prefix, uint32_t sector_count);

// Reads up to count sectors from first, fewer at the end of the source;
// returns how many arrived, or 0 with *failed set after a read error.
uint32_t cd_source_read_some(cd_source *s, log_sink *log, uint32_t first, uint32_t count,
                             const cd_sector_target &t, bool *failed);
