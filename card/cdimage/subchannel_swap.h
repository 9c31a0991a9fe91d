// The two layouts of the 96 subchannel bytes of a stored CD sector:
// per channel (12 bytes of P, then Q, ... W, as in a .sub file) and
// interleaved (byte k holds bit k of every channel, P in bit 7 down to W in
// bit 0). Both conversions work in place.
#pragma once

#include <cstdint>

enum { SUBCHANNEL_BYTES = 96 };

void subchannel_to_interleaved(uint8_t block[SUBCHANNEL_BYTES]);
void subchannel_to_per_channel(uint8_t block[SUBCHANNEL_BYTES]);

enum subchannel_layout {
    SUBCHANNEL_LAYOUT_UNKNOWN,  // the Q frame checks in neither layout, or in both
    SUBCHANNEL_LAYOUT_PER_CHANNEL,
    SUBCHANNEL_LAYOUT_INTERLEAVED,
};

// The layout a block is in, told by its Q frame's check word, which holds in
// only one of the two readings of a real frame. Fill bytes (a pregap, an
// unwritten area) carry no frame and stay unknown.
subchannel_layout subchannel_layout_of(const uint8_t block[SUBCHANNEL_BYTES]);
