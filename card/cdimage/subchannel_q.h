// The Q channel of subchannel data: checking and repairing the Q frames of an
// image as it is copied, generating subchannel data for tracks the program
// writes itself, and counting runs of sectors of one track.
//
// A subchannel block is 96 bytes in the per-channel layout of .sub files:
// P in bytes 0..11, Q in 12..23, R to W in 24..95.
#pragma once

#include <cstdint>

#include "card/cdimage/subchannel_q_crc.h"
#include "core/log.h"

inline constexpr int SUBCHANNEL_BLOCK_SIZE = 96;
inline constexpr int SUBCHANNEL_Q_OFFSET = 12;
inline constexpr int Q_CONTROL_DATA = 0x40;  // in byte 0 of a program-area Q frame
inline constexpr int Q_ADR_POSITION = 1;
inline constexpr int SAME_TRACK_MAX = 375;  // five seconds: the preview length

// One frame later, in BCD; 99:59:74 stays where it is.
void msf_increment(uint8_t msf[3]);
// Advances the relative and the absolute time and recomputes the CRC.
void q_increment(uint8_t q[Q_FRAME_SIZE]);

struct q_check_state {
    uint8_t previous[Q_FRAME_SIZE];
    log_sink *log;  // warnings about time jumps; nullptr for none
};

void q_check_init(q_check_state *s, log_sink *log);
// Warns about absolute-time jumps (3 frames or more when strict, 75 or more
// otherwise) and rebuilds a frame with a bad CRC as the successor of the
// last good one.
void q_check(q_check_state *s, uint8_t q[Q_FRAME_SIZE], bool strict);

// Fills count blocks for a track starting at absolute frame start_frame:
// index 01, relative time from 00:00:00, P set for the first two seconds.
// control is byte 0 of the Q frames (0x41 data, 0x01 audio). False, with
// nothing written, for a track number of 100 or more or a start of minute
// 100 or later.
bool subq_generate(uint8_t control, uint8_t track, uint32_t start_frame, uint8_t *out,
                   uint32_t count);

// Sectors from source_start of image (up to SAME_TRACK_MAX) that keep the
// first sector's track and index; 0 when it cannot be read or holds no
// sector at source_start.
struct cd_source;
uint32_t same_track_count(log_sink *log, cd_source *image, uint32_t source_start);

// Counts the sectors of a data track across calls. stride is the distance
// between subchannel blocks: 96 in a .sub file, 2448 in stored sectors (whose
// subchannel, per-channel, comes first).
struct run_counter {
    uint32_t stride;
    int track;  // Q track byte of the run, -1 before the first position frame
    uint32_t counted;
};

void run_counter_init(run_counter *c, uint32_t stride);
// Looks at count blocks and returns how many belong to the run. When the run
// ends inside them, *status becomes 'd' (an audio sector) or 't' (another
// track number).
uint32_t data_run_count(run_counter *c, const uint8_t *blocks, uint32_t count, char *status);
