#include "card/cdimage/subchannel_swap.h"

#include <cstring>

#include "card/cdimage/subchannel_q_crc.h"

namespace {

// Transposes the 8x8 bit matrix whose row i is in[i * in_step] (bit 7 =
// column 0) into out[j * out_step] (bit 7 = row 0). Both layouts are such a
// transpose of 8-byte groups, so one routine serves both directions.
void transpose8(const uint8_t *in, int in_step, uint8_t *out, int out_step) {
    uint32_t x = static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[in_step]) << 16 |
                 static_cast<uint32_t>(in[2 * in_step]) << 8 | in[3 * in_step];
    uint32_t y = static_cast<uint32_t>(in[4 * in_step]) << 24 |
                 static_cast<uint32_t>(in[5 * in_step]) << 16 |
                 static_cast<uint32_t>(in[6 * in_step]) << 8 | in[7 * in_step];
    uint32_t t = (x ^ (x >> 7)) & 0x00AA00AA;
    x = x ^ t ^ (t << 7);
    t = (y ^ (y >> 7)) & 0x00AA00AA;
    y = y ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC;
    x = x ^ t ^ (t << 14);
    t = (y ^ (y >> 14)) & 0x0000CCCC;
    y = y ^ t ^ (t << 14);
    t = (x & 0xF0F0F0F0) | ((y >> 4) & 0x0F0F0F0F);
    y = ((x << 4) & 0xF0F0F0F0) | (y & 0x0F0F0F0F);
    x = t;
    out[0] = static_cast<uint8_t>(x >> 24);
    out[out_step] = static_cast<uint8_t>(x >> 16);
    out[2 * out_step] = static_cast<uint8_t>(x >> 8);
    out[3 * out_step] = static_cast<uint8_t>(x);
    out[4 * out_step] = static_cast<uint8_t>(y >> 24);
    out[5 * out_step] = static_cast<uint8_t>(y >> 16);
    out[6 * out_step] = static_cast<uint8_t>(y >> 8);
    out[7 * out_step] = static_cast<uint8_t>(y);
}

}  // namespace

// Byte j of every channel (stride 12) becomes output bytes 8j .. 8j + 7.
void subchannel_to_interleaved(uint8_t block[SUBCHANNEL_BYTES]) {
    uint8_t in[SUBCHANNEL_BYTES];
    memcpy(in, block, sizeof in);
    for (int j = 0; j < 12; j++) transpose8(in + j, 12, block + 8 * j, 1);
}

void subchannel_to_per_channel(uint8_t block[SUBCHANNEL_BYTES]) {
    uint8_t in[SUBCHANNEL_BYTES];
    memcpy(in, block, sizeof in);
    for (int j = 0; j < 12; j++) transpose8(in + 8 * j, 1, block + j, 12);
}

subchannel_layout subchannel_layout_of(const uint8_t block[SUBCHANNEL_BYTES]) {
    enum { Q_CHANNEL = 1 };
    bool per_channel = q_crc_ok(block + Q_FRAME_SIZE * Q_CHANNEL);
    // Interleaved, bit k of channel c is bit 7 - c of byte k.
    uint8_t q[Q_FRAME_SIZE];
    for (int j = 0; j < Q_FRAME_SIZE; j++) {
        unsigned v = 0;
        for (int b = 0; b < 8; b++) v = v << 1 | ((block[8 * j + b] >> (7 - Q_CHANNEL)) & 1);
        q[j] = static_cast<uint8_t>(v);
    }
    bool interleaved = q_crc_ok(q);
    if (per_channel == interleaved) return SUBCHANNEL_LAYOUT_UNKNOWN;
    return per_channel ? SUBCHANNEL_LAYOUT_PER_CHANNEL : SUBCHANNEL_LAYOUT_INTERLEAVED;
}
