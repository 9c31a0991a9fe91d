#include "tests/card/commands/config_card.h"

#include <gtest/gtest.h>

#include "card/cdimage/bcd.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"
#include "tests/card/layout/shell.h"

namespace {

disc_spec index_disc(int block) {
    return {INDEX_SECTORS, 0, "IMAGE INDEX for " + std::to_string(block) + "-xx"};
}

disc_spec cd(const char *name, uint8_t flags = 0, uint32_t config = 0x11) {
    return {CD_SECTORS, flags, name, 0, 0, config};
}

disc_spec hucard(const char *name, uint8_t size) { return {2, 0x80, name, 4, size, 1}; }

void put_frame(std::vector<uint8_t> &out, uint8_t control, uint8_t point, uint32_t a_frames,
               uint32_t p_frames) {
    uint8_t q[Q_FRAME_SIZE] = {control, 0, point};
    frames_to_msf(a_frames, &q[3]);
    frames_to_msf(p_frames, &q[7]);
    q_crc_store(q);
    out.insert(out.end(), q, q + Q_FRAME_SIZE);
}

}  // namespace

// As the adding command lays out CD previews; A1 names the last track, A2
// the lead-out after it.
std::vector<uint8_t> toc_frames(uint32_t tracks) {
    std::vector<uint8_t> out;
    put_frame(out, 0x41, 0xA0, 0, 60 * 75);
    put_frame(out, 0x41, 0xA1, 0, 0);
    out[Q_FRAME_SIZE + 7] = bcd_from_bin(static_cast<uint8_t>(tracks));
    q_crc_store(&out[Q_FRAME_SIZE]);
    put_frame(out, 0x41, 0xA2, 0, 150 + 375 * tracks);
    for (uint32_t t = 1; t <= tracks; t++)
        put_frame(out, 0x01, bcd_from_bin(static_cast<uint8_t>(t)), 375, 150 + 375 * (t - 1));
    return out;
}

config_card::config_card() {
    EXPECT_EQ(card.format(), 0);
    block1 =
        card.write_block(BLOCK0,
                         {index_disc(0), cd("One"), cd("Two"), cd("Three"), hucard("Four", 0x10),
                          cd("Five", 0x01, 0x17), cd("Six"), cd("Seven")},
                         1);
    card.write_block(
        block1, {index_disc(1), cd("B1"), cd("B2"), cd("B3"), hucard("Hu", 0x30), cd("B5")}, 0);
    for (auto [b, tracks] : {std::pair{BLOCK0, 7u}, std::pair{block1, 5u}}) {
        // As the adding command leaves it: 0x55 around the frames.
        std::vector<uint8_t> first(3 * 512, 0x55);
        std::vector<uint8_t> frames = toc_frames(tracks);
        std::copy(frames.begin(), frames.end(), first.begin() + 96);
        card.write(b + 2, first);
    }
}

uint8_t config_card::flags(uint32_t b, uint32_t r) { return card.read(b, 2)[64 + 8 * r + 7]; }

uint32_t config_card::word(uint32_t b, uint32_t r) {
    return le32_get(&card.read(b + 2 + 5, 1)[100 + 4 * r]);
}

uint32_t config_card::amount(uint32_t b) { return le32_get(&card.read(b, 1)[4]); }
uint32_t config_card::next(uint32_t b) { return le32_get(&card.read(b, 1)[12]); }

uint32_t config_card::area(uint32_t b, uint32_t r) {
    return b + le32_get(&card.read(b, 2)[64 + 8 * r]);
}

std::string config_card::name_sector(uint32_t b, uint32_t r) {
    std::vector<uint8_t> s = card.read(area(b, r) + (flags(b, r) & 0x80 ? 1 : 3), 1);
    return std::string(reinterpret_cast<const char *>(s.data()));
}

std::string config_card::cdlist() {
    return shell_output("mtype -i " + card.fat_image() + " ::/cdlist.txt");
}

std::vector<std::string> config_card::listing() {
    std::vector<std::string> rows;
    bool opened = card_enumerate(
        log_null(), card.drive().c_str(), [](void *, uint32_t, uint32_t) {}, nullptr,
        [](void *u, uint32_t n, uint32_t offset, uint32_t length, uint8_t flags, uint32_t config,
           const char *name) {
            static_cast<std::vector<std::string> *>(u)->push_back(
                std::to_string(n) + " " + std::to_string(offset) + " " + std::to_string(length) +
                " " + std::to_string(flags) + " " + std::to_string(config) + " " + name);
        },
        &rows);
    return opened ? rows : std::vector<std::string>{};
}

std::vector<uint8_t> config_card::snapshot() {
    std::vector<uint8_t> all;
    for (uint32_t b : {BLOCK0, block1}) {
        std::vector<uint8_t> part = card.read(b, 2 + INDEX_DISC_SECTORS);
        all.insert(all.end(), part.begin(), part.end());
        part = card.read(b + 2 + INDEX_SECTORS, 7 * CD_SECTORS);
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
