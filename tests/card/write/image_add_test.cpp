// The adding command on memory cards: what a ROM and a CD image set become on
// the card, record and block choice, overwrite rules.
#include <gtest/gtest.h>

#include <cstring>

#include "card/cdimage/bcd.h"
#include "card/write/disc_area_write.h"
#include "card/write/image_add.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "tests/card/write/adding_fixture.h"

namespace {

constexpr uint32_t FIRST_BLOCK = 4097;
constexpr uint32_t INDEX_AREA = FIRST_BLOCK + 2;

class adding : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(format_card(card.drive())); }
    int add(const std::vector<std::string> &args, const std::string &command = "add") {
        log = std::make_unique<recording_log>();
        return run_card(*log, card.drive(), command, args);
    }
    std::string rom(uint32_t size, unsigned seed, const uint32_t *crc = nullptr) {
        std::string name = dir.path("rom" + std::to_string(seed) + ".pce");
        write_file(name, make_rom(size, seed, crc));
        return name;
    }
    // Stored sector f of the index disc of the first block.
    std::vector<uint8_t> index_sector(uint32_t f) {
        return read_bytes(card, INDEX_AREA, uint64_t{f} * 2448, 2448);
    }

    memory_card card{TEST_CARD_SECTORS};
    temp_dir dir;
    std::unique_ptr<recording_log> log;
};

TEST_F(adding, registered_rom_becomes_a_data_track_of_the_index_disc) {
    const uint32_t crc = 0x6D9A73EF;
    std::vector<uint8_t> bytes = make_rom(0x40000, 7, &crc);
    std::string name = dir.path("syscard.pce");
    write_file(name, bytes);
    ASSERT_EQ(add({name}), 0) << log->text();
    EXPECT_NE(log->text().find("registed CRC32 is matched."), std::string::npos);
    EXPECT_NE(log->text().find("image#0-01\n"), std::string::npos);

    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->disc_amount, 2u);
    EXPECT_STREQ(c->entries[0].name, "IMAGE INDEX for 0-xx");
    EXPECT_EQ(c->entries[0].length, index_disc_sectors(12));
    const disc_entry &e = c->entries[1];
    EXPECT_EQ(e.flags, 0xC0);
    EXPECT_EQ(e.romconfig[0], 4);
    EXPECT_EQ(e.romconfig[1], 32);
    EXPECT_EQ(e.length, 2u);
    EXPECT_EQ(e.offset, 2 + c->entries[0].length);
    EXPECT_STREQ(e.name, name.c_str());

    // TOC: A1 names track 1, A2 after 128 frames, track 1 at 00:02:00 of 128 frames.
    std::vector<uint8_t> s0 = index_sector(0);
    const uint8_t *a1 = &s0[96 + 12], *a2 = &s0[96 + 24], *t1 = &s0[96 + 36];
    EXPECT_EQ(a1[2], 0xA1);
    EXPECT_EQ(a1[7], 0x01);
    EXPECT_EQ(a2[2], 0xA2);
    EXPECT_EQ(msf_to_frames(&a2[7]), 150u + 128);
    EXPECT_EQ(t1[2], 0x01);
    EXPECT_EQ(msf_to_frames(&t1[7]), 150u);
    EXPECT_EQ(msf_to_frames(&t1[3]), 128u);
    EXPECT_EQ(s0[96 + 48], 0x55) << "no frame after track 1";

    // Each data sector: Q of track 1 (data), Mode 1 header at its absolute
    // time, 2048 ROM bytes.
    for (uint32_t k : {0u, 127u}) {
        std::vector<uint8_t> s = index_sector(150 + k);
        EXPECT_EQ(s[12], 0x41);
        EXPECT_EQ(s[13], 0x01);
        EXPECT_TRUE(q_crc_ok(&s[12]));
        const uint8_t sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
        EXPECT_EQ(memcmp(&s[96], sync, 12), 0);
        EXPECT_EQ(msf_to_frames(&s[96 + 12]), 150 + k);
        EXPECT_EQ(s[96 + 15], 0x01);
        EXPECT_EQ(memcmp(&s[96 + 16], &bytes[k * 2048], 2048), 0) << "sector " << k;
        EXPECT_EQ(s[96 + 16 + 2048], 0xFF);
    }
    std::vector<uint8_t> leadout = index_sector(150 + 128);
    EXPECT_EQ(leadout[0], 0xFF);
    EXPECT_EQ(leadout[13], 0xAA);
    EXPECT_TRUE(q_crc_ok(&leadout[12]));
    EXPECT_EQ(leadout[96], 0xAA);
}

struct rom_case {
    const char *context;
    uint32_t size;
    uint8_t romconfig0, flags;
    const char *message;  // nullptr: no warning expected
};

TEST_F(adding, rom_sizes_choose_mapping_and_flags) {
    const rom_case cases[] = {
        {"40 KiB is no usual size but is added", 40 * 1024, 4, 0x80, "warning:strange ROM size"},
        {"384 KiB", 384 * 1024, 5, 0x90, nullptr},
        {"512 KiB", 512 * 1024, 6, 0x90, nullptr},
        {"768 KiB does not work on the board", 768 * 1024, 6, 0xA0,
         "warning: ROM size over 512 KiB, does not work"},
    };
    unsigned seed = 20;
    for (const rom_case &k : cases) {
        SCOPED_TRACE(k.context);
        ASSERT_EQ(add({rom(k.size, seed++)}), 0) << log->text();
        auto c = open_block(card.drive());
        ASSERT_NE(c, nullptr);
        const disc_entry &e = c->entries[c->disc_amount - 1];
        EXPECT_EQ(e.romconfig[0], k.romconfig0);
        EXPECT_EQ(e.romconfig[1], k.size / 8192);
        EXPECT_EQ(e.flags, k.flags);
        if (k.message) {
            EXPECT_NE(log->text().find(k.message), std::string::npos) << log->text();
        } else {
            EXPECT_EQ(log->text().find("warning"), std::string::npos) << log->text();
        }
    }
}

TEST(cd_area, size_formula) {
    EXPECT_EQ(cd_area_sectors(10000), 48535u);
    EXPECT_EQ(cd_area_sectors(0), (151u * 2448 + 511) / 512);
}

TEST_F(adding, cd_image_area_layout_and_preview) {
    std::string prefix = dir.path("disc");
    make_cd(prefix, 40, 400);  // shorter than one 256-sector buffer would need: 150 + 440 > 256
    ASSERT_EQ(add({prefix}), 0) << log->text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    const disc_entry &e = c->entries[1];
    EXPECT_EQ(e.flags, 0);
    EXPECT_EQ(e.length, cd_area_sectors(440));
    uint32_t area = FIRST_BLOCK + e.offset;

    std::vector<uint8_t> s0 = read_bytes(card, area, 0, 2448);
    EXPECT_EQ(s0[0], 0x55);
    EXPECT_EQ(s0[96 + 2], 0xA0) << "TOC frames at byte 96";
    EXPECT_EQ(s0[96 + 24 + 2], 0xA2);
    // Data sector 0: subchannel as in the .sub file, main bytes unchanged.
    std::vector<uint8_t> d0 = read_bytes(card, area, 150 * 2448, 2448);
    EXPECT_EQ(d0[12], 0x41);
    EXPECT_EQ(d0[96], 1);
    // First audio sector: main bytes of fill 0x81 (symmetric), Q audio.
    std::vector<uint8_t> a0 = read_bytes(card, area, 190 * 2448, 2448);
    EXPECT_EQ(a0[12], 0x01);
    // Lead-out sector: the TOC's A2 frame, 0xAA main bytes.
    std::vector<uint8_t> lo = read_bytes(card, area, 590 * 2448, 2448);
    EXPECT_EQ(lo[0], 0xFF);
    EXPECT_EQ(lo[12 + 2], 0xA2);
    EXPECT_EQ(lo[96], 0xAA);
    EXPECT_EQ(lo[2447], 0xAA);

    // The preview: the audio track (after the data track), faded out at
    // the end: the last sample is scaled down to almost nothing.
    std::vector<uint8_t> p0 = index_sector(150);
    EXPECT_EQ(p0[12], 0x01);
    EXPECT_EQ(p0[96], 0x81);
    std::vector<uint8_t> t1 = index_sector(0);
    EXPECT_EQ(msf_to_frames(&t1[96 + 36 + 3]), 375u);
    // The factor falls from 65535 by 2 per stereo sample over the last
    // 32768: half-way (stereo sample 80 of sector 347) it is 32767. Source
    // sector 347 has fill 0x81 + 347 = 0xDC: sample 0xDCDC = -8996.
    std::vector<uint8_t> fading = index_sector(150 + 347);
    int16_t half = static_cast<int16_t>(fading[96 + 320] << 8 | fading[96 + 321]);
    EXPECT_EQ(half, (-8996 * 32767) >> 16);
    std::vector<uint8_t> tail = index_sector(150 + 374);
    int16_t last = static_cast<int16_t>(tail[96 + 2348] << 8 | tail[96 + 2349]);
    EXPECT_EQ(last, -2057 >> 16) << "factor 1 on the last sample (fill 0xF7)";
}

TEST_F(adding, description_labels_name_the_disc_and_choose_its_kind) {
    std::string prefix = dir.path("labelled");
    make_cd(prefix, 10, 0);
    FILE *f = fopen((prefix + ".ccd").c_str(), "a");
    ASSERT_NE(f, nullptr);
    fputs("[PCECDROM2]\nregion=JP\nformat=SCD\ncode=HCD0001\nname_ja=テスト\nname_en=Test\n", f);
    fclose(f);
    ASSERT_EQ(add({prefix}), 0) << log->text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->entries[1].name, "HCD0001 テスト");
    EXPECT_NE(log->text().find("HCD0001 テスト"), std::string::npos) << "reported";
    EXPECT_EQ(c->entries[1].config & 0xFF, 0x14u) << "Super CD-ROM2 kind";
    ASSERT_EQ(add({prefix, "given"}, "add_withname"), 0);
    EXPECT_STREQ(open_block(card.drive())->entries[2].name, "given");
}

TEST_F(adding, short_image_keeps_the_layout) {
    std::string prefix = dir.path("tiny");
    make_cd(prefix, 10, 0);
    ASSERT_EQ(add({prefix}), 0) << log->text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->entries[1].length, cd_area_sectors(10));
    uint32_t area = FIRST_BLOCK + c->entries[1].offset;
    EXPECT_EQ(read_bytes(card, area, 159 * 2448, 2448)[96], 10) << "last image sector";
    std::vector<uint8_t> lo = read_bytes(card, area, 160 * 2448, 2448);
    EXPECT_EQ(lo[12 + 2], 0xA2);
    EXPECT_EQ(lo[96], 0xAA);
}

TEST_F(adding, version_4_blocks_store_interleaved_subchannel) {
    recording_log quiet;
    ASSERT_EQ(run_card(quiet, card.drive(), "subswap"), 0);
    std::string prefix = dir.path("disc");
    make_cd(prefix, 4, 4);
    ASSERT_EQ(add({prefix}), 0) << log->text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->version, 4);
    uint32_t area = FIRST_BLOCK + c->entries[1].offset;
    for (uint32_t f : {150u, 157u, 158u}) {  // data, audio, lead-out
        std::vector<uint8_t> s = read_bytes(card, area, uint64_t{f} * 2448, 2448);
        subchannel_to_per_channel(s.data());
        EXPECT_TRUE(q_crc_ok(&s[12])) << "stored sector " << f;
    }
    std::vector<uint8_t> p = index_sector(150);
    subchannel_to_per_channel(p.data());
    EXPECT_EQ(p[13], 0x01);
}

TEST_F(adding, block_fills_up_and_add_at_103_replaces_record_3) {
    for (unsigned i = 0; i < 16; i++) ASSERT_EQ(add({rom(8192, 100 + i)}), 0) << log->text();
    EXPECT_NE(log->text().find("image#1-05\n"), std::string::npos) << log->text();
    auto b0 = open_block(card.drive(), 0);
    ASSERT_NE(b0, nullptr);
    EXPECT_EQ(b0->disc_amount, 12u) << "the first block took disc_manage_max records";
    auto b1 = open_block(card.drive(), 1);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1->disc_amount, 6u);
    EXPECT_STREQ(b1->entries[0].name, "IMAGE INDEX for 1-xx");

    std::string replacement = rom(16384, 999);
    ASSERT_EQ(add({replacement, "103"}), 0) << log->text();
    EXPECT_NE(log->text().find("image#1-03\n"), std::string::npos);
    b1 = open_block(card.drive(), 1);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1->disc_amount, 4u);
    EXPECT_STREQ(b1->entries[3].name, replacement.c_str());
    EXPECT_EQ(b1->entries[3].romconfig[1], 2);
}

TEST_F(adding, an_index_disc_out_of_room_starts_the_next_block) {
    // 1 MiB ROMs take 512 index frames each: the index disc of a block of
    // 12 fills before its records do.
    std::string big = rom(0x100000, 50);
    for (int i = 0; i < 12; i++) ASSERT_EQ(add({big}), 0) << log->text();
    auto b0 = open_block(card.drive(), 0);
    ASSERT_NE(b0, nullptr);
    ASSERT_EQ(b0->managearea_num, 2u);
    EXPECT_LT(b0->disc_amount, 12u);
    std::vector<uint8_t> toc = index_sector(0);
    uint32_t leadout = msf_to_frames(&toc[96 + 24 + 7]);
    EXPECT_LE(uint64_t{leadout + 1} * 2448, uint64_t{b0->entries[0].length} * 512)
        << "the last track and its lead-out lie inside the index disc";
    auto b1 = open_block(card.drive(), 1);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b0->disc_amount - 1 + b1->disc_amount - 1, 12u);
}

TEST_F(adding, image_zero_is_unremovable) {
    std::string r = rom(8192, 1);
    ASSERT_EQ(add({r}), 0);
    for (const char *command : {"add", "overwrite"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(add(command == std::string("add") ? std::vector<std::string>{r, "100"}
                                                    : std::vector<std::string>{r, "0"},
                      command),
                  1);
        EXPECT_NE(log->text().find("IMAGE INDEX is unremovable"), std::string::npos);
    }
}

TEST_F(adding, overwrite_needs_the_same_capacity) {
    std::string first = dir.path("first"), other = dir.path("other"), same = dir.path("same");
    make_cd(first, 20, 0, 1);
    make_cd(other, 21, 0, 2);
    make_cd(same, 20, 0, 3);
    ASSERT_EQ(add({first}), 0);
    ASSERT_EQ(add({rom(8192, 5)}), 0);
    std::vector<uint8_t> header = card.read(FIRST_BLOCK, 2);

    EXPECT_EQ(add({other, "1"}, "overwrite"), 1);
    EXPECT_NE(log->text().find("CD image capacity is not match on the memory card"),
              std::string::npos);
    EXPECT_EQ(card.read(FIRST_BLOCK, 2), header);
    EXPECT_EQ(add({rom(8192, 6), "1"}, "overwrite"), 1) << "a ROM's area is smaller";
    EXPECT_EQ(card.read(FIRST_BLOCK, 2), header);
    EXPECT_EQ(add({first, "5"}, "overwrite"), 1);
    EXPECT_NE(log->text().find("unexpected number: imageindex > d->disc_amount"),
              std::string::npos);

    ASSERT_EQ(add({same, "1", "renamed"}, "overwrite"), 0) << log->text();
    EXPECT_NE(log->text().find("same capacity; disc amount is not changed."), std::string::npos);
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->disc_amount, 3u) << "the ROM after the overwritten disc stays";
    EXPECT_STREQ(c->entries[1].name, "renamed");
    EXPECT_EQ(read_bytes(card, FIRST_BLOCK + c->entries[1].offset, 150 * 2448 + 96, 1)[0], 3);
}

TEST_F(adding, overwriting_a_rom_keeps_the_records_after_it) {
    ASSERT_EQ(add({rom(8192, 1)}), 0);
    ASSERT_EQ(add({rom(8192, 2)}), 0);
    std::string same_size = rom(8192, 3), larger = rom(16384, 4);
    EXPECT_EQ(add({larger, "1"}, "overwrite"), 1) << "its track would overrun the next one";
    EXPECT_NE(log->text().find("update area is not found"), std::string::npos);
    std::vector<uint8_t> toc = index_sector(0);
    ASSERT_EQ(add({same_size, "1"}, "overwrite"), 0) << log->text();
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->disc_amount, 3u);
    EXPECT_STREQ(c->entries[1].name, same_size.c_str());
    EXPECT_EQ(index_sector(0), toc) << "the track keeps its TOC entry";
    // Track 1 holds the new ROM; track 2 (frames 154 on) is untouched: no
    // lead-out was written over its first sector.
    auto first_bytes = [&](uint32_t frame) {
        std::vector<uint8_t> s = index_sector(frame);
        return std::vector<uint8_t>(s.begin() + 96 + 16, s.begin() + 96 + 16 + 64);
    };
    auto rom_start = [](unsigned seed) {
        std::vector<uint8_t> r = make_rom(8192, seed);
        return std::vector<uint8_t>(r.begin(), r.begin() + 64);
    };
    EXPECT_EQ(first_bytes(150), rom_start(3));
    EXPECT_EQ(first_bytes(154), rom_start(2));
    EXPECT_EQ(index_sector(154)[13], 0x02);
    ASSERT_EQ(add({larger, "2"}, "overwrite"), 0) << "the last track may grow: " << log->text();
    c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->entries[2].romconfig[1], 2);
}

TEST(adding_limits, a_full_card_refuses_a_tenth_block_and_every_state_opens) {
    memory_card card(TEST_CARD_SECTORS);
    ASSERT_TRUE(format_card(card.drive()));
    temp_dir dir;
    std::string r = dir.path("small.pce");
    write_file(r, make_rom(8192, 1));
    recording_log log;
    for (int i = 0; i < 9 * 11; i++) ASSERT_EQ(run_card(log, card.drive(), "add", {r}), 0) << i;
    auto last = open_block(card.drive(), 8);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->disc_amount, 12u);
    EXPECT_EQ(last->managearea_num, 9u);
    std::vector<uint8_t> before = card.read(FIRST_BLOCK, 64);
    recording_log refused;
    EXPECT_EQ(run_card(refused, card.drive(), "add", {r}), 1);
    EXPECT_NE(refused.text().find("manage area chain is full"), std::string::npos)
        << refused.text();
    EXPECT_NE(refused.text().find("disc management area is over capacity"), std::string::npos);
    EXPECT_EQ(card.read(FIRST_BLOCK, 64), before);
    EXPECT_NE(open_block(card.drive(), 8), nullptr);
}

}  // namespace

// An area must end before the end of partition #1: one that would end exactly
// there is refused, one sector more of card lets it in.
TEST(adding_limits, the_last_area_must_end_before_the_partition_does) {
    temp_dir dir;
    std::string first = dir.path("first.pce"), second = dir.path("second.pce");
    write_file(first, make_rom(8192, 1));
    write_file(second, make_rom(8192, 2));
    uint32_t end = 0;  // of the second ROM's area, in partition #1
    {
        memory_card card(TEST_CARD_SECTORS);
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "add", {first}), 0) << log.text();
        ASSERT_EQ(run_card(log, card.drive(), "add", {second}), 0) << log.text();
        auto c = open_block(card.drive());
        ASSERT_NE(c, nullptr);
        end = c->entries[2].offset + c->entries[2].length;
    }
    struct {
        uint32_t partition_sectors;
        int status;
    } cases[] = {{end, 1}, {end + 1, 0}};
    for (auto &k : cases) {
        SCOPED_TRACE(k.partition_sectors);
        memory_card card(uint64_t{FIRST_BLOCK} + k.partition_sectors);
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "add", {first}), 0) << log.text();
        EXPECT_EQ(run_card(log, card.drive(), "add", {second}), k.status) << log.text();
        EXPECT_EQ(log.text().find("the capacity of memory card would be over!") != std::string::npos,
                  k.status == 1);
    }
}
