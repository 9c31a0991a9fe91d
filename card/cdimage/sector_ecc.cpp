#include "card/cdimage/sector_ecc.h"

#include <cstring>

#include "card/cdimage/bcd.h"

namespace {

struct ecc_tables {
    uint8_t f[256];
    uint8_t b[256];
    uint32_t edc[256];
    constexpr ecc_tables() : f(), b(), edc() {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t j = (i << 1) ^ (i & 0x80 ? 0x11D : 0);
            f[i] = static_cast<uint8_t>(j);
            b[i ^ (j & 0xFF)] = static_cast<uint8_t>(i);
            uint32_t e = i;
            for (int k = 0; k < 8; k++) e = (e >> 1) ^ (e & 1 ? 0xD8018001u : 0);
            edc[i] = e;
        }
    }
};
constexpr ecc_tables tables;

uint32_t edc_compute(const uint8_t *data, size_t length) {
    uint32_t edc = 0;
    for (size_t i = 0; i < length; i++) edc = (edc >> 8) ^ tables.edc[(edc ^ data[i]) & 0xFF];
    return edc;
}

// One parity set (P: 86 columns of 24, Q: 52 diagonals of 43) over the
// sector from its header on.
void ecc_block(const uint8_t *src, uint32_t major_count, uint32_t minor_count, uint32_t major_mult,
               uint32_t minor_inc, uint8_t *dest) {
    const uint32_t size = major_count * minor_count;
    for (uint32_t major = 0; major < major_count; major++) {
        uint32_t index = (major >> 1) * major_mult + (major & 1);
        uint8_t a = 0, b = 0;
        for (uint32_t minor = 0; minor < minor_count; minor++) {
            uint8_t v = src[index];
            index += minor_inc;
            if (index >= size) index -= size;
            a ^= v;
            b ^= v;
            a = tables.f[a];
        }
        a = tables.b[tables.f[a] ^ b];
        dest[major] = a;
        dest[major + major_count] = a ^ b;
    }
}

}  // namespace

void sector_header(uint8_t sector[2352], uint32_t absolute_frame, uint8_t mode) {
    sector[0] = 0x00;
    memset(sector + 1, 0xFF, 10);
    sector[11] = 0x00;
    frames_to_msf(absolute_frame, sector + 12);
    sector[15] = mode;
}

void mode1_sector_complete(uint8_t sector[2352], uint32_t absolute_frame) {
    sector_header(sector, absolute_frame, 1);
    uint32_t edc = edc_compute(sector, 2064);
    for (int i = 0; i < 4; i++) sector[2064 + i] = static_cast<uint8_t>(edc >> (8 * i));
    memset(sector + 2068, 0, 8);
    sector_sync_and_parity(sector);
}

void sector_sync_and_parity(uint8_t sector[2352]) {
    sector[0] = 0x00;
    memset(sector + 1, 0xFF, 10);
    sector[11] = 0x00;
    ecc_block(sector + 12, 86, 24, 2, 86, sector + 2076);
    ecc_block(sector + 12, 52, 43, 86, 88, sector + 2248);
}
