// The two layouts of the 96 subchannel bytes of a stored CD sector:
// per channel (12 bytes of P, then Q, ... W, as in a .sub file) and
// interleaved (byte k holds bit k of every channel, P in bit 7 down to W in
// bit 0). Both conversions work in place.
#pragma once

#include <cstdint>

enum { SUBCHANNEL_BYTES = 96 };

void subchannel_to_interleaved(uint8_t block[SUBCHANNEL_BYTES]);
void subchannel_to_per_channel(uint8_t block[SUBCHANNEL_BYTES]);
