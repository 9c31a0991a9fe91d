// The card check: a clean card after every kind of add has no findings; a
// card damaged in one place gets a finding that names the place, and the
// command fails; nothing the check reads is changed.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "card/cdimage/bcd.h"
#include "card/cdimage/subchannel_q.h"
#include "card/fat/fat_on_disk.h"
#include "card/layout/stored_sector.h"
#include "core/le_bytes.h"
#include "tests/card/write/adding_fixture.h"

namespace {

// A card with a ROM (image 1), a named disc (image 2) overwritten once, and
// a second disc (image 3).
struct checked_card {
    rom_and_disc files{7, 200, 200};
    // Behind a fault wrapper that passes everything until a case replans it.
    memory_card card{TEST_CARD_SECTORS, fault_plan{}};
    uint64_t named_sector = 0;  // a sector the damage chose, for the finding
    checked_card() {
        EXPECT_TRUE(format_card(card.drive()));
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), "add", {files.rom}), 0) << log.text();
        EXPECT_EQ(run_card(log, card.drive(), "add_withname", {files.disc, "named disc"}), 0)
            << log.text();
        EXPECT_EQ(run_card(log, card.drive(), "overwrite", {files.disc, "2", "named disc"}), 0) << log.text();
        EXPECT_EQ(run_card(log, card.drive(), "add", {files.disc}), 0) << log.text();
    }
    std::unique_ptr<card_context> block() { return open_block(card.drive()); }
    // The sector of stored sector f of image i's area, and the byte in it.
    std::pair<uint64_t, uint32_t> stored(uint32_t i, uint32_t f) {
        auto c = block();
        uint64_t byte = stored_sector_byte(f);
        return {c->block + c->entries[i].offset + byte / 512, static_cast<uint32_t>(byte % 512)};
    }
    void patch(uint64_t sector, uint32_t at, const std::function<void(uint8_t *)> &change,
               uint32_t count = 2) {
        std::vector<uint8_t> bytes = card.read(sector, count);
        change(&bytes[at]);
        card.write(sector, bytes);
    }
    int check(recording_log &log, std::vector<std::string> args = {}) {
        return run_card(log, card.drive(), "check", args);
    }
};

TEST(card_check, a_clean_card_after_every_kind_of_add_has_no_findings) {
    checked_card t;
    auto before = t.card.read(0, 20000);
    recording_log log;
    EXPECT_EQ(t.check(log), 0) << log.text();
    EXPECT_NE(log.text().find("check done: 0 findings in 1 block, 4 images"), std::string::npos)
        << log.text();
    EXPECT_EQ(t.card.read(0, 20000), before) << "the check only reads";
    EXPECT_GT(log.stepped, 0);
    EXPECT_EQ(log.stepped, log.ranges.back()) << "the gauge reaches its end";
}

TEST(card_check, interleaved_subchannel_reads_as_clean_after_subswap) {
    checked_card t;
    recording_log log;
    ASSERT_EQ(run_card(log, t.card.drive(), "subswap"), 0) << log.text();
    ASSERT_EQ(t.block()->version, 4);
    recording_log checked;
    EXPECT_EQ(t.check(checked), 0) << checked.text();
    // And a damaged frame is still seen in that layout.
    auto [sector, at] = t.stored(2, 160);
    t.patch(sector, at, [](uint8_t *s) { s[40] ^= 0x40; });  // bit 6: the Q channel
    recording_log damaged;
    EXPECT_EQ(t.check(damaged), 1);
    EXPECT_NE(damaged.text().find("the Q frame of stored sector 160 fails its check word"),
              std::string::npos)
        << damaged.text();
}

// A stop asked for while the areas are read ends the check at the next
// chunk: "stopped", a summary that says so, and a failure.
TEST(card_check, stops_when_asked_and_fails) {
    checked_card t;
    recording_log log;
    stop_request stop;
    struct asker {
        stop_request *stop;
        int64_t steps = 0;
    } ask{&stop};
    gauge_record *gauge = gauge_create(
        &ask, [](void *, int64_t) {},
        [](void *u, int64_t) {
            auto *a = static_cast<asker *>(u);
            if (++a->steps == 1) stop_ask(a->stop);
        });
    log_attach_gauge(log.sink, gauge);
    log_attach_stop(log.sink, &stop);
    EXPECT_EQ(t.check(log), 1);
    gauge_destroy(gauge);
    EXPECT_EQ(ask.steps, 1) << "nothing more was read";
    EXPECT_NE(log.text().find("stopped\ncheck stopped: 0 findings"), std::string::npos)
        << log.text();
}

// Rewrites a Q frame (per-channel layout, as a fresh card keeps it) and
// gives it a check word that holds.
void set_q(uint8_t *stored, const std::function<void(uint8_t *)> &change) {
    uint8_t *q = stored + SUBCHANNEL_Q_OFFSET;
    change(q);
    q_crc_store(q);
}

void set_toc_frame(checked_card &t, uint32_t frame, const std::function<void(uint8_t *)> &change) {
    auto c = t.block();
    t.patch(c->block + c->entries[0].offset, STORED_MAIN_AT + frame * Q_FRAME_SIZE,
            [&](uint8_t *q) {
                change(q);
                q_crc_store(q);
            });
}

void set_record(checked_card &t, uint32_t i, const std::function<void(uint8_t *)> &change) {
    auto c = t.block();
    t.patch(c->block, MANAGEAREA_RECORDS_AT + 8 * i, change);
}

struct damage_case {
    const char *what;
    std::function<void(checked_card &)> damage;
    const char *finding;     // "{sector}" stands for the card's named_sector
    const char *not_found;   // a text no finding may hold, or nullptr
};

const damage_case damages[] = {
    {"damaged_q_frame",
     [](checked_card &t) {
         auto [sector, at] = t.stored(2, 160);
         t.patch(sector, at, [](uint8_t *s) { s[SUBCHANNEL_Q_OFFSET + 4] ^= 0x01; });
     },
     "image#0-02 \"named disc\": the Q frame of stored sector 160 fails its check word (1 such "
     "frame)",
     nullptr},
    {"q_frame_out_of_place",
     [](checked_card &t) {
         auto [sector, at] = t.stored(3, 170);
         t.patch(sector, at, [](uint8_t *s) { set_q(s, [](uint8_t *q) { q[9] = 0x74; }); });
     },
     "the Q frame of stored sector 170 gives the absolute time 00:02:74, its place is 00:02:20",
     nullptr},
    {"overlapping_record",
     [](checked_card &t) {
         auto c = t.block();
         uint32_t into = c->entries[2].offset + 10;
         set_record(t, 3, [into](uint8_t *r) { le32_put(r, into); });
     },
     "overlaps the area of image#0-02",
     nullptr},
    {"broken_chain_link",
     [](checked_card &t) {
         auto c = t.block();
         uint32_t next = c->block + c->entries[3].offset + c->entries[3].length + 8;
         t.patch(c->block, 12, [next](uint8_t *h) { le32_put(h, next); });
     },
     "block 0: its link to the next block (sector",
     nullptr},
    {"index_disc_lists_too_few_tracks",
     [](checked_card &t) { set_toc_frame(t, 1, [](uint8_t *q) { q[7] = 0x01; }); },
     "image#0-00 \"IMAGE INDEX for 0-xx\": the index disc lists 1 tracks, the block has 3 "
     "images besides it",
     nullptr},
    {"index_track_of_wrong_length",
     [](checked_card &t) { set_toc_frame(t, 4, [](uint8_t *q) { q[4] = 0x00, q[5] = 0x22; }); },
     "image#0-02 \"named disc\": its track on the index disc is 22 frames long, a disc's preview takes 375",
     nullptr},
    {"stale_image_list",
     [](checked_card &t) {
         auto c = t.block();
         t.patch(c->block + c->entries[3].offset + 3, 0, [](uint8_t *n) { n[0] = 'X'; }, 1);
     },
     "the image list it shows does not match the block's images",
     nullptr},
    {"cdlist_disagrees",
     [](checked_card &t) {
         fat_on_disk where{nullptr, CARD_PARTITION0_START};
         disk_handle *h = disk_open(log_null(), t.card.drive().c_str(), 0);
         where.disk = h;
         fat_sector_io io = fat_io_on_disk(&where, CARD_PARTITION0_SECTORS);
         std::string old;
         ASSERT_EQ(fat12_read_root_file(&io, "cdlist.txt", &old), FAT_OK);
         std::string text = old.substr(0, old.find('\n') + 1) + "0-09 stray line\n" +
                            old.substr(old.find('\n') + 1);
         EXPECT_EQ(fat12_write_root_file(&io, "cdlist.txt", text.data(),
                                         static_cast<uint32_t>(text.size())),
                   FAT_OK);
         disk_close(h);
     },
     "card: cdlist.txt disagrees with the records at line 2: it says \"0-09 stray line\"",
     nullptr},
    {"partition_type",
     [](checked_card &t) { t.patch(0, 0x1D2, [](uint8_t *p) { p[0] = 0x83; }, 1); },
     "card: partition #1 ID is not 0xda",
     nullptr},
    {"block_header_magic",
     [](checked_card &t) { t.patch(CARD_PARTITION1_START, 0, [](uint8_t *h) { h[0] = 'X'; }); },
     "block 0: no valid block header at sector 4097: partition header error",
     nullptr},
    {"name_not_utf8",
     [](checked_card &t) {
         auto c = t.block();
         t.patch(c->block + c->entries[3].offset + 3, 0, [](uint8_t *n) { n[1] = 0xFF; }, 1);
     },
     "its name is not UTF-8 text",
     nullptr},
    {"unknown_kind",
     [](checked_card &t) {
         auto c = t.block();
         t.patch(c->block + c->entries[0].offset + CARD_SETTINGS_SECTOR,
                 CARD_DISC_SLOTS + 4 * 1, [](uint8_t *w) { le32_put(w, 0x40); }, 1);
     },
     "game.pce\": its configuration word 000040 names no known HuCard kind",
     nullptr},
    // Reads touching three sectors inside stored sector 100 fail: the chunk
    // is read again sector by sector, the stored sectors around them are
    // not judged by their Q frames.
    {"unreadable_sectors",
     [](checked_card &t) {
         auto [sector, at] = t.stored(2, 100);
         fault_plan plan;
         plan.unreadable_first = sector + 2;
         plan.unreadable_count = 3;
         fault_store_replan(t.card.faulty, plan);
         t.named_sector = sector + 2;
     },
     "image#0-02 \"named disc\": 3 sectors of its area are unreadable, the first is sector "
     "{sector}\n",
     "Q frame"},
};

class damaged_card : public testing::TestWithParam<damage_case> {};

TEST_P(damaged_card, is_found_named_and_fails_the_check) {
    checked_card t;
    GetParam().damage(t);
    recording_log log;
    EXPECT_EQ(t.check(log), 1);
    std::string finding = GetParam().finding;
    if (size_t at = finding.find("{sector}"); at != std::string::npos)
        finding.replace(at, 8, std::to_string(t.named_sector));
    EXPECT_NE(log.text().find(finding), std::string::npos) << log.text();
    if (GetParam().not_found != nullptr) {
        EXPECT_EQ(log.text().find(GetParam().not_found), std::string::npos) << log.text();
    }
    std::string last = log.text().substr(log.text().rfind('\n', log.text().size() - 2) + 1);
    EXPECT_EQ(last.find("check done: "), 0u) << last;
    EXPECT_EQ(last.find("check done: 0 findings"), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(faults, damaged_card, testing::ValuesIn(damages),
                         [](const testing::TestParamInfo<damage_case> &i) {
                             return std::string(i.param.what);
                         });

}  // namespace
