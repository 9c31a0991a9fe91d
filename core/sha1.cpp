#include "core/sha1.h"

#include <cstdio>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#endif

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

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VMK_SHA1_HARDWARE 1
// The processor's SHA instructions, four rounds a step: several times the
// speed of the portable rounds, which took over a third of the time of
// adding a compressed disc image.
// Groups of four rounds [first, end) under round function F.
template <int F>
__attribute__((target("sha,sse4.1"))) inline void round_groups(__m128i *abcd, __m128i *previous,
                                                                 __m128i w[4], int first, int end) {
    for (int i = first; i < end; i++) {
        __m128i e;
        if (i >= 4)
            w[i % 4] = _mm_sha1msg2_epu32(
                _mm_xor_si128(_mm_sha1msg1_epu32(w[i % 4], w[(i + 1) % 4]), w[(i + 2) % 4]),
                w[(i + 3) % 4]);
        e = _mm_sha1nexte_epu32(*previous, w[i % 4]);
        *previous = *abcd;
        *abcd = _mm_sha1rnds4_epu32(*abcd, e, F);
    }
}

__attribute__((target("sha,sse4.1"))) void sha1_blocks_hardware(uint32_t h[5],
                                                                 const uint8_t *data,
                                                                 size_t blocks) {
    const __m128i order = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(h)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0);
    for (; blocks > 0; blocks--, data += 64) {
        const __m128i abcd_saved = abcd, e_saved = e0;
        __m128i w[4];
        for (int i = 0; i < 4; i++)
            w[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * i)), order);
        // Rounds 0-3 take E as it is; later groups derive it from the A of
        // four rounds before.
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e0, w[0]), 0);
        round_groups<0>(&abcd, &previous, w, 1, 5);
        round_groups<1>(&abcd, &previous, w, 5, 10);
        round_groups<2>(&abcd, &previous, w, 10, 15);
        round_groups<3>(&abcd, &previous, w, 15, 20);
        e0 = _mm_sha1nexte_epu32(previous, e_saved);
        abcd = _mm_add_epi32(abcd, abcd_saved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(h), _mm_shuffle_epi32(abcd, 0x1B));
    h[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}
#endif

#ifdef VMK_SHA1_HARDWARE
// Asked of CPUID itself: not every compiler's __builtin_cpu_supports knows "sha".
bool sha_instructions_present() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1)) return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}
#endif

bool hardware_allowed = true;

void sha1_blocks(uint32_t h[5], const uint8_t *data, size_t blocks) {
#ifdef VMK_SHA1_HARDWARE
    static const bool present = sha_instructions_present();
    if (present && hardware_allowed) {
        sha1_blocks_hardware(h, data, blocks);
        return;
    }
#endif
    for (size_t b = 0; b < blocks; b++) sha1_block(h, data + 64 * b);
}

}  // namespace

void sha1_allow_hardware(bool allowed) { hardware_allowed = allowed; }

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
        sha1_blocks(c->h, c->block, 1);
        c->filled = 0;
    }
    sha1_blocks(c->h, data, n / 64);
    data += n / 64 * 64;
    n %= 64;
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
    return sha1_digest_hex(digest);
}

std::string sha1_digest_hex(const uint8_t digest[20]) {
    char text[41];
    for (int i = 0; i < 20; i++) snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text, 40);
}
