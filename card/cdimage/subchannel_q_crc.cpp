#include "card/cdimage/subchannel_q_crc.h"

namespace {

// entry[k][v]: the CRC of byte v followed by k zero bytes. Eight bytes go
// through eight independent lookups at once (a compressed image's hunks are
// checked whole, hundreds of megabytes for a disc); one table step per
// byte was a fifth of an add's time.
struct crc16_tables {
    uint16_t entry[8][256];
    constexpr crc16_tables() : entry() {
        for (int v = 0; v < 256; v++) {
            uint16_t crc = static_cast<uint16_t>(v << 8);
            for (int bit = 0; bit < 8; bit++)
                crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
            entry[0][v] = crc;
        }
        for (int k = 1; k < 8; k++)
            for (int v = 0; v < 256; v++) {
                const uint16_t c = entry[k - 1][v];
                entry[k][v] = static_cast<uint16_t>(c << 8 ^ entry[0][c >> 8]);
            }
    }
};
constexpr crc16_tables tables;

}  // namespace

uint16_t crc16_ccitt(uint16_t crc, const uint8_t *data, size_t length) {
    const auto &t = tables.entry;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        const uint8_t *d = data + i;
        crc = static_cast<uint16_t>(t[7][d[0] ^ crc >> 8] ^ t[6][d[1] ^ (crc & 0xFF)] ^ t[5][d[2]] ^
                                    t[4][d[3]] ^ t[3][d[4]] ^ t[2][d[5]] ^ t[1][d[6]] ^ t[0][d[7]]);
    }
    for (; i < length; i++)
        crc = static_cast<uint16_t>(crc << 8 ^ t[0][(crc >> 8 ^ data[i]) & 0xFF]);
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
