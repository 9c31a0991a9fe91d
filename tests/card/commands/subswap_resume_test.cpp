// "subswap" cut short and run again: every stored sector tells its layout by
// its Q frame, so the second run converts only what the first left, and the
// card ends as one uninterrupted run leaves it.
#include <gtest/gtest.h>

#include "card/store/drive_table.h"
#include "card/store/sector_store_recording.h"
#include "tests/card/write/adding_fixture.h"

namespace {

constexpr uint32_t B0 = 4097;

struct resume_case {
    const char *what;
    int roms;        // HuCard images added first (11 fill block 0)
    uint32_t image;  // the disc whose area holds the failing write
    int nth_write;   // which of the writes into that area fails (1-based)
};

struct discs {
    temp_dir dir;
    std::string rom = dir.path("game.pce");
    std::string big = dir.path("big");      // three chunks of 1024 stored sectors
    std::string small = dir.path("small");  // one chunk
    discs() {
        write_file(rom, make_rom(8192, 7));
        make_cd(big, 1500, 500, 3);
        make_cd(small, 200, 100, 9);
    }
};

void prepare(memory_card &card, const discs &d, int roms) {
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    for (int i = 0; i < roms; i++) ASSERT_EQ(run_card(log, card.drive(), "add", {d.rom}), 0);
    ASSERT_EQ(run_card(log, card.drive(), "add", {d.big}), 0) << log.text();
    ASSERT_EQ(run_card(log, card.drive(), "add", {d.small}), 0) << log.text();
}

// The sector after the last block's last area.
uint32_t card_end(const memory_card &card) {
    auto c = open_block(card.drive());
    if (c == nullptr) return 0;
    auto last = open_block(card.drive(), c->managearea_num - 1);
    const disc_entry &e = last->entries[last->disc_amount - 1];
    return last->block + e.offset + e.length;
}

// The number (counted over the subswap's writes) of its nth write into the
// area of the image; 0 when there is none.
uint32_t write_number(const discs &d, const resume_case &k) {
    memory_card probe(TEST_CARD_SECTORS);
    prepare(probe, d, k.roms);
    auto c = open_block(probe.drive(), k.image / 100);
    if (c == nullptr) return 0;
    const disc_entry &e = c->entries[k.image % 100];
    uint64_t first = c->block + e.offset, end = first + e.length;

    sector_store *recording = recording_store_wrap(probe.medium);
    std::string drive(1, drive_table_register_store(recording));
    recording_log log;
    EXPECT_EQ(run_card(log, drive, "subswap"), 0) << log.text();
    drive_table_forget(drive[0]);
    std::vector<store_event> events = recording_store_events(recording);
    store_close(recording);
    uint32_t number = 0;
    int inside = 0;
    for (const store_event &ev : events) {
        if (ev.kind != store_event::WRITE) continue;
        number++;
        if (ev.first >= first && ev.first + ev.count <= end && ++inside == k.nth_write)
            return number;
    }
    return 0;
}

}  // namespace

TEST(subswap_resume, a_second_run_completes_a_run_cut_short) {
    discs d;
    const resume_case cases[] = {
        {"inside the second of three discs", 0, 1, 2},
        {"in block 1, after block 0 was flipped", 11, 101, 1},
    };
    for (const resume_case &k : cases) {
        SCOPED_TRACE(k.what);
        uint32_t failing = write_number(d, k);
        ASSERT_GT(failing, 0u);

        memory_card reference(TEST_CARD_SECTORS);
        prepare(reference, d, k.roms);
        recording_log once;
        ASSERT_EQ(run_card(once, reference.drive(), "subswap"), 0) << once.text();

        uint32_t prepared_writes;
        {
            memory_card count(TEST_CARD_SECTORS, fault_plan{});
            prepare(count, d, k.roms);
            prepared_writes = count.counts().writes;
        }
        fault_plan plan;
        plan.fail_write_at = prepared_writes + failing;
        memory_card card(TEST_CARD_SECTORS, plan);
        prepare(card, d, k.roms);
        recording_log cut;
        EXPECT_EQ(run_card(cut, card.drive(), "subswap"), 1);
        EXPECT_NE(cut.text().find("write error\n"), std::string::npos) << cut.text();
        EXPECT_EQ(card.counts().injected, 1u);
        recording_log again;
        ASSERT_EQ(run_card(again, card.drive(), "subswap"), 0) << again.text();

        uint32_t end = card_end(reference);
        ASSERT_GT(end, 0u);
        EXPECT_EQ(card_end(card), end);
        // Partition #0 holds only cdlist.txt, which carries the time it was
        // written; partition #1 holds everything the board reads.
        EXPECT_TRUE(card.read(B0, end - B0) == reference.read(B0, end - B0))
            << "the resumed card differs from one converted in a single run";
    }
}
