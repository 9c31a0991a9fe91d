// A failure part-way through an add leaves the card as it was: the block
// header is written last.
#include <gtest/gtest.h>

#include "tests/card/write/adding_fixture.h"

namespace {

struct added_files {
    temp_dir dir;
    std::string rom = dir.path("game.pce");
    std::string disc = dir.path("disc");
    added_files() {
        write_file(rom, make_rom(8192, 3));
        make_cd(disc, 300, 300);
    }
};

// Format and one ROM: the contents a failed add must leave behind.
void prepare(memory_card &card, const added_files &f) {
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add", {f.rom}), 0) << log.text();
}

// Either the previous contents (index disc and the ROM) or the new ones.
void expect_old_or_new(const memory_card &card, const added_files &f, bool *is_new) {
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(c->disc_amount == 2 || c->disc_amount == 3) << c->disc_amount;
    EXPECT_STREQ(c->entries[1].name, f.rom.c_str());
    *is_new = c->disc_amount == 3;
    if (*is_new) {
        EXPECT_STREQ(c->entries[2].name, f.disc.c_str());
    }
}

TEST(add_integrity, a_failed_write_call_anywhere_leaves_old_or_new_contents) {
    added_files f;
    uint32_t before = 0, after = 0;
    {
        memory_card dry(TEST_CARD_SECTORS, fault_plan{});
        prepare(dry, f);
        before = dry.counts().writes;
        recording_log log;
        ASSERT_EQ(run_card(log, dry.drive(), "add", {f.disc}), 0) << log.text();
        after = dry.counts().writes;
    }
    ASSERT_GT(after - before, 5u);
    bool header_written = false;
    for (uint32_t k = before + 1; k <= after; k++) {
        SCOPED_TRACE("write call " + std::to_string(k - before) + " of the add fails");
        fault_plan plan;
        plan.fail_write_at = k;
        memory_card card(TEST_CARD_SECTORS, plan);
        prepare(card, f);
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), "add", {f.disc}), 1) << "failure reported";
        bool is_new = false;
        expect_old_or_new(card, f, &is_new);
        EXPECT_TRUE(!header_written || is_new) << "once the header is written it stays";
        header_written = is_new;
        // The fault was one call: adding again completes the card.
        recording_log again;
        ASSERT_EQ(run_card(again, card.drive(), "add", {f.disc, "2"}), 0) << again.text();
        expect_old_or_new(card, f, &is_new);
        EXPECT_TRUE(is_new);
    }
    EXPECT_TRUE(header_written) << "some late failure (the listing file) follows the header";
}

TEST(add_integrity, a_medium_that_dies_inside_the_disc_area_keeps_the_old_header) {
    added_files f;
    uint64_t written = 0;
    {
        memory_card dry(TEST_CARD_SECTORS, fault_plan{});
        prepare(dry, f);
        written = dry.counts().sectors_written;
    }
    fault_plan plan;
    plan.write_sector_budget = written + 1500;  // inside the CD area (about 3200 sectors)
    memory_card card(TEST_CARD_SECTORS, plan);
    prepare(card, f);
    recording_log log;
    EXPECT_EQ(run_card(log, card.drive(), "add", {f.disc}), 1);
    EXPECT_NE(log.text().find("write error"), std::string::npos) << log.text();
    bool is_new = true;
    expect_old_or_new(card, f, &is_new);
    EXPECT_FALSE(is_new);
}

TEST(add_integrity, a_failed_add_inside_the_chain_leaves_a_card_that_opens) {
    added_files f;
    auto fill_two_blocks = [&](memory_card &card) {
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        for (int i = 0; i < 13; i++) ASSERT_EQ(run_card(log, card.drive(), "add", {f.rom}), 0);
    };
    uint64_t written = 0;
    {
        memory_card dry(TEST_CARD_SECTORS, fault_plan{});
        fill_two_blocks(dry);
        written = dry.counts().sectors_written;
        auto c = open_block(dry.drive());
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->managearea_num, 2u);
    }
    fault_plan plan;
    plan.write_sector_budget = written + 2000;  // the CD area covers the second block's header
    memory_card card(TEST_CARD_SECTORS, plan);
    fill_two_blocks(card);
    recording_log log;
    EXPECT_EQ(run_card(log, card.drive(), "add", {f.disc, "5"}), 1);
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->managearea_num, 1u) << "the blocks after the add's block left the chain";
    EXPECT_EQ(c->disc_amount, 12u);
}

}  // namespace

// The listing of a stored disc reads to its end; a read that fails on the way
// is no end of the image and fails the command.
TEST(stored_hash, a_failed_read_fails_the_listing) {
    added_files f;
    uint32_t before = 0, after = 0;
    {
        memory_card dry(TEST_CARD_SECTORS, fault_plan{});
        prepare(dry, f);
        recording_log log;
        ASSERT_EQ(run_card(log, dry.drive(), "add", {f.disc}), 0) << log.text();
        before = dry.counts().reads;
        ASSERT_EQ(run_card(log, dry.drive(), "mmchash", {"2"}), 0) << log.text();
        after = dry.counts().reads;
    }
    fault_plan plan;
    plan.fail_read_at = after;  // the listing's last read
    memory_card card(TEST_CARD_SECTORS, plan);
    prepare(card, f);
    recording_log added;
    ASSERT_EQ(run_card(added, card.drive(), "add", {f.disc}), 0) << added.text();
    ASSERT_EQ(card.counts().reads, before);
    recording_log log;
    EXPECT_EQ(run_card(log, card.drive(), "mmchash", {"2"}), 1);
    EXPECT_NE(log.text().find("read error\n"), std::string::npos) << log.text();
}
