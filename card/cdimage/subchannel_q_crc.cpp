#include "card/cdimage/subchannel_q_crc.h"

namespace {

// One table step per byte: every Q frame of an image is checked as it is
// copied, so the bitwise loop showed in the adding time.
struct crc16_table {
    uint16_t entry[256];
    constexpr crc16_table() : entry() {
        for (int v = 0; v < 256; v++) {
            uint16_t crc = static_cast<uint16_t>(v << 8);
            for (int bit = 0; bit < 8; bit++)
                crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
            entry[v] = crc;
        }
    }
};
constexpr crc16_table table;

}  // namespace

uint16_t crc16_ccitt(uint16_t crc, const uint8_t *data, size_t length) {
    for (size_t i = 0; i < length; i++)
        crc = static_cast<uint16_t>(crc << 8 ^ table.entry[(crc >> 8 ^ data[i]) & 0xFF]);
    return crc;
}

uint16_t cd_crc16(const uint8_t *data, size_t length) {
    return static_cast<uint16_t>(~crc16_ccitt(0, data, length));
}

void q_crc_store(uint8_t q[Q_FRAME_SIZE]) {
    uint16_t crc = cd_crc16(q, 10);
    q[10] = static_cast<uint8_t>(crc >> 8);
    q[11] = static_cast<uint8_t>(crc);
}

bool q_crc_ok(const uint8_t q[Q_FRAME_SIZE]) {
    uint16_t crc = cd_crc16(q, 10);
    return q[10] == (crc >> 8) && q[11] == (crc & 0xFF);
}
