// SHA-1 against published digests, whole and fed in pieces of every size
// that crosses the 64-byte block and the 56-byte padding boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/sha1.h"

namespace {

std::string hex(const uint8_t d[20]) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 20; i++) s += {digits[d[i] >> 4], digits[d[i] & 15]};
    return s;
}

}  // namespace

TEST(sha1, published_digests_whole_and_in_pieces) {
    const std::string million_a(1000000, 'a');
    struct {
        std::string text;
        const char *digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {million_a, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (bool hardware : {true, false})
    for (const auto &c : cases) {
        sha1_allow_hardware(hardware);
        SCOPED_TRACE(c.text.substr(0, 20) + (hardware ? " (SHA instructions where present)" : ""));
        const auto *bytes = reinterpret_cast<const uint8_t *>(c.text.data());
        EXPECT_EQ(sha1_hex(bytes, c.text.size()), c.digest);
        for (size_t piece : {1, 3, 55, 56, 63, 64, 65, 1000}) {
            if (piece > c.text.size() + 1 || (c.text.size() > 1000 && piece < 55)) continue;
            sha1_context ctx;
            sha1_init(&ctx);
            for (size_t at = 0; at < c.text.size(); at += piece)
                sha1_update(&ctx, bytes + at, std::min(piece, c.text.size() - at));
            uint8_t d[20];
            sha1_final(&ctx, d);
            EXPECT_EQ(hex(d), c.digest) << "pieces of " << piece;
        }
    }
    sha1_allow_hardware(true);
}
