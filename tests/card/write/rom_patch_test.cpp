// IPS and BPS patches written from scripts (patch_writer.h) for hand-made
// expected ROMs: applying them gives those ROMs, the
// card then equals the one added from the expected ROM, and a bad patch is
// refused with the card unchanged.
#include "card/cdimage/rom_patch.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "card/cdimage/image_input.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/card/write/patch_writer.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t crc_of(const bytes &b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

bytes text(const char *t) { return bytes(t, t + strlen(t)); }

// Every BPS action, copies forwards, backwards and overlapping what they
// write, growing a 16 KiB ROM to 32 KiB.
struct bps_case {
    bytes source = make_rom(16384, 11);
    bytes expected;
    bytes patch;
    bps_case() {
        expected.assign(32768, 0);
        auto at = [&](size_t to, const uint8_t *from, size_t n) { memcpy(&expected[to], from, n); };
        at(0, source.data(), 100);
        at(100, reinterpret_cast<const uint8_t *>("HELLO"), 5);
        at(105, source.data() + 105, 4096 - 105);
        at(4096, source.data() + 8192, 1000);
        memset(&expected[5096], 0xFF, 8192 - 5096);
        at(8192, source.data(), 8192);
        at(16384, expected.data(), 16384);
        patch = bps_patch(source, expected,
                          {{BPS_SOURCE_READ, 100},
                           {BPS_TARGET_READ, 5, 0, text("HELLO")},
                           {BPS_SOURCE_READ, 4096 - 105},
                           {BPS_SOURCE_COPY, 1000, 8192},
                           {BPS_TARGET_READ, 1, 0, {0xFF}},
                           {BPS_TARGET_COPY, 8192 - 5097, 5096},
                           {BPS_SOURCE_COPY, 8192, -9192},
                           {BPS_TARGET_COPY, 16384, -8191}});
    }
};

// Bytes set, a run, and growth past the end by a run with a record
// straddling the old end.
struct ips_case {
    bytes source = make_rom(16384, 12);
    bytes expected;
    bytes patch;
    ips_case() {
        expected = source;
        expected.resize(24576, 0x5A);
        memcpy(&expected[0x10], "\1\2\3\4", 4);
        memset(&expected[0x3000], 0xAA, 0x100);
        memcpy(&expected[16380], "ABCDEFGH", 8);
        patch = ips_patch({{0x10, {1, 2, 3, 4}},
                           {0x3000, {}, 0x100, 0xAA},
                           {16384, {}, 8192, 0x5A},
                           {16380, text("ABCDEFGH")}});
    }
};

struct good_patch {
    const char *context;
    bytes source, patch, expected;
};

std::vector<good_patch> good_patches() {
    const bps_case b;
    const ips_case i;
    return {{"BPS", b.source, b.patch, b.expected}, {"IPS", i.source, i.patch, i.expected}};
}

struct bad_patch {
    const char *context;
    bytes patch;
    bytes rom;
    const char *why;
};

std::vector<bad_patch> bad_patches() {
    const bps_case b;
    const ips_case i;
    bytes wrong_target = b.patch;
    wrong_target[wrong_target.size() - 8] ^= 1;
    bytes small = make_rom(8192, 3);
    bytes overrun = bps_patch(small, bytes(16384, 0), {{BPS_SOURCE_READ, 16384}});
    bytes cut_record = i.patch;
    cut_record.resize(5 + 5 + 2);
    return {
        {"BPS made for another ROM", b.patch, make_rom(16384, 99), "another ROM"},
        {"BPS truncated", bytes(b.patch.begin(), b.patch.end() - 5), b.source, "own CRC-32"},
        {"BPS with one byte changed",
         [&] {
             bytes p = b.patch;
             p[20] ^= 0x40;
             return p;
         }(),
         b.source, "own CRC-32"},
        {"BPS whose result is not what it says", bps_with_own_crc(wrong_target), b.source,
         "result fails its CRC-32"},
        {"BPS reading past its source", overrun, small, "outside"},
        {"IPS without its EOF mark", ips_patch({{0x10, {1, 2}}}, false), i.source, "truncated"},
        {"IPS cut inside a record", cut_record, i.source, "truncated"},
        {"IPS record past the largest ROM", ips_patch({{0xFFFF00, bytes(0x200, 1)}}), i.source,
         "past the largest ROM"},
        {"IPS run past the largest ROM", ips_patch({{0x0FFFFF, {}, 2, 7}}), i.source,
         "past the largest ROM"},
        {"neither format", text("PATC not a patch"), i.source, "not an IPS or BPS"},
    };
}

}  // namespace

TEST(rom_patch, patches_give_the_hand_made_roms) {
    for (const good_patch &c : good_patches()) {
        SCOPED_TRACE(c.context);
        bytes rom = c.source;
        std::string why;
        ASSERT_TRUE(rom_patch_apply(c.patch.data(), c.patch.size(), &rom, &why)) << why;
        EXPECT_TRUE(rom == c.expected);
    }
    const bps_case b;
    const ips_case i;
    patch_ends e{};
    ASSERT_TRUE(rom_patch_ends(b.patch.data(), b.patch.size(), &e));
    EXPECT_EQ(e.source_crc, crc_of(b.source));
    EXPECT_EQ(e.target_crc, crc_of(b.expected));
    EXPECT_EQ(e.source_size, b.source.size());
    EXPECT_FALSE(rom_patch_ends(i.patch.data(), i.patch.size(), &e));
}

TEST(rom_patch, bad_patches_are_refused_and_leave_the_rom_alone) {
    for (const bad_patch &c : bad_patches()) {
        SCOPED_TRACE(c.context);
        bytes rom = c.rom;
        std::string why;
        EXPECT_FALSE(rom_patch_apply(c.patch.data(), c.patch.size(), &rom, &why));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_TRUE(rom == c.rom);
    }
}

TEST(rom_patch, a_patched_add_equals_the_add_of_the_expected_rom) {
    for (const good_patch &c : good_patches()) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        write_file(dir.path("base.pce"), c.source);
        write_file(dir.path("fix.patch"), c.patch);
        write_file(dir.path("expected.pce"), c.expected);
        memory_card patched{TEST_CARD_SECTORS}, plain{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(patched.drive()));
        ASSERT_TRUE(format_card(plain.drive()));
        recording_log log, plain_log;
        ASSERT_EQ(run_card(log, patched.drive(), "add_withname",
                           {dir.path("base.pce"), "game", "--patch", dir.path("fix.patch")}),
                  0)
            << log.text();
        ASSERT_EQ(
            run_card(plain_log, plain.drive(), "add_withname", {dir.path("expected.pce"), "game"}),
            0);
        EXPECT_TRUE(card_bytes(patched) == card_bytes(plain)) << "the cards differ";
        char crcs[64];
        snprintf(crcs, sizeof crcs, "base ROM CRC-32 %08x, result %08x", crc_of(c.source),
                 crc_of(c.expected));
        EXPECT_NE(log.text().find(crcs), std::string::npos) << log.text();
        // The base ROM inside an archive is patched the same way.
        if (std::system(("cd '" + dir.dir + "' && zip -q base.zip base.pce 2>/dev/null").c_str()) !=
            0)
            continue;
        memory_card zipped{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(zipped.drive()));
        ASSERT_EQ(run_card(log, zipped.drive(), "add_withname",
                           {dir.path("base.zip"), "game", "--patch", dir.path("fix.patch")}),
                  0)
            << log.text();
        EXPECT_TRUE(card_bytes(zipped) == card_bytes(plain)) << "the cards differ";
    }
}

TEST(rom_patch, a_refused_patch_leaves_the_card_unchanged) {
    temp_dir dir;
    make_cd(dir.path("disc"), 100, 0);
    std::vector<bad_patch> cases = bad_patches();
    const bps_case b;
    cases.push_back({"a patch for a CD", b.patch, {}, "HuCard ROMs only"});
    cases.push_back({"a result that is not whole 8 KiB banks", ips_patch({{16384, {1, 2, 3}}}),
                     make_rom(16384, 5), "8 KiB"});
    for (const bad_patch &c : cases) {
        SCOPED_TRACE(c.context);
        if (!c.rom.empty()) write_file(dir.path("base.pce"), c.rom);
        write_file(dir.path("fix.patch"), c.patch);
        memory_card card{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "add_withname", {dir.path("base.pce"), "keep"}), 0)
            << log.text();
        const bytes before = card_bytes(card);
        const std::string input = c.rom.empty() ? dir.path("disc") : dir.path("base.pce");
        EXPECT_EQ(run_card(log, card.drive(), "add_withname",
                           {input, "game", "--patch", dir.path("fix.patch")}),
                  1);
        EXPECT_NE(log.text().find(c.why), std::string::npos) << log.text();
        EXPECT_TRUE(card_bytes(card) == before) << "the card changed";
    }
}

// Damaged patches, made by flipping, cutting and lengthening good ones: no
// read or write outside the buffers (the sanitizers watch), a refused one
// leaves the ROM as it was, and nothing grows past the largest ROM.
TEST(rom_patch, damaged_patches_never_reach_outside_the_roms) {
    std::mt19937 random(35);
    for (const good_patch &c : good_patches()) {
        SCOPED_TRACE(c.context);
        for (int round = 0; round < 3000; round++) {
            bytes patch = c.patch;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < changes; k++) {
                const size_t at = random() % patch.size();
                switch (random() % 3) {
                    case 0:
                        patch[at] = static_cast<uint8_t>(random());
                        break;
                    case 1:
                        patch.resize(std::max<size_t>(at, 1));
                        break;
                    default:
                        patch.insert(patch.begin() + static_cast<std::ptrdiff_t>(at),
                                     static_cast<uint8_t>(random()));
                }
            }
            // Half of them pass the BPS patch's own check, to reach the actions.
            if (c.patch[0] == 'B' && round % 2 == 0 && patch.size() > 4)
                patch = bps_with_own_crc(patch);
            bytes rom = c.source;
            std::string why;
            if (!rom_patch_apply(patch.data(), patch.size(), &rom, &why)) {
                ASSERT_TRUE(rom == c.source) << why;
                ASSERT_FALSE(why.empty());
            }
            ASSERT_LE(rom.size(), size_t{ROM_SIZE_MAX});
        }
    }
}
