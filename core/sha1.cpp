#include "core/sha1.h"

#include <cstdio>
#include <cstring>

namespace {

uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void sha1_block(uint32_t h[5], const uint8_t block[64]) {
    uint32_t w[80];
    for (int i = 0; i < 16; i++)
        w[i] = static_cast<uint32_t>(block[4 * i]) << 24 | static_cast<uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; i++) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; i++) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        uint32_t t = rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

}  // namespace

void sha1_init(sha1_context *c) {
    static const uint32_t start[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    memcpy(c->h, start, sizeof start);
    c->filled = 0;
    c->total = 0;
}

void sha1_update(sha1_context *c, const uint8_t *data, size_t n) {
    c->total += n;
    if (c->filled > 0) {
        const size_t take = n < 64 - c->filled ? n : 64 - c->filled;
        memcpy(c->block + c->filled, data, take);
        c->filled += take;
        data += take;
        n -= take;
        if (c->filled < 64) return;
        sha1_block(c->h, c->block);
        c->filled = 0;
    }
    for (; n >= 64; data += 64, n -= 64) sha1_block(c->h, data);
    memcpy(c->block, data, n);
    c->filled = n;
}

void sha1_final(sha1_context *c, uint8_t out[20]) {
    // The 0x80 marker and the bit length fill the tail's block, or two.
    const uint64_t bits = c->total * 8;
    uint8_t pad[72] = {0x80};
    const size_t pad_bytes = (c->filled < 56 ? 56 : 120) - c->filled;
    for (int i = 0; i < 8; i++) pad[pad_bytes + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    sha1_update(c, pad, pad_bytes + 8);
    for (int i = 0; i < 20; i++) out[i] = static_cast<uint8_t>(c->h[i / 4] >> (24 - 8 * (i % 4)));
}

void sha1_digest(const uint8_t *data, size_t n, uint8_t out[20]) {
    sha1_context c;
    sha1_init(&c);
    sha1_update(&c, data, n);
    sha1_final(&c, out);
}

std::string sha1_hex(const uint8_t *data, size_t n) {
    uint8_t digest[20];
    sha1_digest(data, n, digest);
    char text[41];
    for (int i = 0; i < 20; i++) snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text, 40);
}
