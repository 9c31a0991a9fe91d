// A card backed up and restored onto cards of other sizes lists the same
// images in the same order, with the same bytes, settings and backup RAM;
// a card too small is refused untouched; a restore cut short finishes when
// run again; copy does the same straight from card to card.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "card/layout/card_layout.h"
#include "platform/program.h"
#include "tests/card/backup/backup_discs.h"
#include "tests/card/backup/backup_fixture.h"
#include "tests/card/layout/shell.h"
#include "tests/card/write/adding_fixture.h"

namespace fs = std::filesystem;

namespace {

// A log whose gauge asks the command to stop after a number of steps
// (never when negative), and counts them.
struct stopping_log {
    recording_log log;
    stop_request stop;
    int64_t limit;
    int64_t steps = 0;
    gauge_record *gauge;
    explicit stopping_log(int64_t stop_after) : limit(stop_after) {
        gauge = gauge_create(
            this, [](void *, int64_t) {},
            [](void *user, int64_t) {
                auto *s = static_cast<stopping_log *>(user);
                if (++s->steps == s->limit) stop_ask(&s->stop);
            });
        log_attach_gauge(log.sink, gauge);
        log_attach_stop(log.sink, &stop);
    }
    ~stopping_log() {
        log_attach_gauge(log.sink, log.gauge);
        gauge_destroy(gauge);
    }
};

// The card formatted, holding one ROM under name.
bool holds_a_rom_of_its_own(const memory_card &card, const backed_up_card &source,
                            const char *name) {
    recording_log log;
    return format_card(card.drive()) &&
           run_card(log, card.drive(), "add_withname", {source.dir.path("small.pce"), name}) == 0;
}

// Two listing lines of the same name and extracted bytes (the settings of
// an image cut off before they were written may differ).
bool same_image(const std::string &a, const std::string &b) {
    auto name = [](const std::string &l) { return l.substr(0, l.find(" | ")); };
    auto files = [](const std::string &l) {
        size_t from = l.find(" | ", l.find("config ")) + 3;
        return l.substr(from, l.find("| save") - from);
    };
    return name(a) == name(b) && files(a) == files(b);
}

}  // namespace

TEST(backup, restore_onto_larger_and_smaller_cards_gives_the_same_card) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
#ifndef _WIN32
    // The everyday tools read the archive (GNU tar: Linux only).
    const std::string listed = shell_output("tar --zstd -tf '" + source.archive + "' 2>&1");
    EXPECT_NE(listed.find("manifest.json"), std::string::npos) << listed;
    EXPECT_NE(listed.find(".sav"), std::string::npos) << listed;
#endif
    const std::vector<std::string> expected = card_listing(source.card.drive(), source.dir);
    ASSERT_GE(expected.size(), 10u);
    const struct {
        const char *what;
        uint64_t sectors;
    } targets[] = {{"a larger card (one block holds everything)", 40000000},
                   {"a smaller card that still holds it", 120000}};
    for (const auto &t : targets) {
        SCOPED_TRACE(t.what);
        memory_card card{t.sectors};
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "restore", {source.archive}), 0) << log.text();
        EXPECT_NE(log.text().find("no faults"), std::string::npos) << log.text();
        EXPECT_EQ(card_listing(card.drive(), source.dir), expected);
    }
}

TEST(backup, restore_refuses_a_card_too_small_and_writes_nothing) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    memory_card card{60000};
    ASSERT_TRUE(format_card(card.drive()));
    const std::vector<uint8_t> before = card.read(0, 60000);
    for (bool format : {false, true}) {
        recording_log log;
        std::vector<std::string> args{source.archive};
        if (format) args.push_back("--format");
        EXPECT_EQ(run_card(log, card.drive(), "restore", args), 1);
        EXPECT_NE(log.text().find("the card is too small"), std::string::npos) << log.text();
        EXPECT_TRUE(card.read(0, 60000) == before) << "the refused restore wrote to the card";
    }
}

// The format command's own rules hold: a card whose file system holds
// files is not formatted, and an unformatted card is formatted only when
// asked.
TEST(backup, restore_formats_only_when_asked_and_never_over_other_images) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    memory_card used{TEST_CARD_SECTORS};
    ASSERT_TRUE(holds_a_rom_of_its_own(used, source, "other"));
    recording_log log;
    const std::vector<uint8_t> before = card_bytes(used);
    for (bool format : {false, true}) {
        recording_log refused;
        std::vector<std::string> args{source.archive};
        if (format) args.push_back("--format");
        EXPECT_EQ(run_card(refused, used.drive(), "restore", args), 1);
        EXPECT_TRUE(card_bytes(used) == before) << refused.text();
    }
    memory_card blank{TEST_CARD_SECTORS};
    recording_log unformatted;
    EXPECT_EQ(run_card(unformatted, blank.drive(), "restore", {source.archive}), 1);
    EXPECT_NE(unformatted.text().find("--format formats it"), std::string::npos)
        << unformatted.text();
    ASSERT_EQ(run_card(log, blank.drive(), "restore", {source.archive, "--format"}), 0)
        << log.text();
    EXPECT_EQ(card_listing(blank.drive(), source.dir), card_listing(source.card.drive(), source.dir));
}

TEST(backup, only_restores_the_images_named_after_those_on_the_card) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(holds_a_rom_of_its_own(card, source, "mine"));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "restore", {source.archive, "--only", "2,101"}), 0)
        << log.text();
    std::vector<std::string> all = card_listing(source.card.drive(), source.dir);
    std::vector<std::string> got = card_listing(card.drive(), source.dir);
    ASSERT_EQ(got.size(), 3u);  // "mine" first, then the two restored in the source's order
    EXPECT_EQ(got[0].rfind("mine |", 0), 0u) << got[0];
    std::vector<std::string> restored(got.begin() + 1, got.end());
    std::vector<std::string> chosen;
    for (const std::string &line : all)
        if (std::find(restored.begin(), restored.end(), line) != restored.end()) chosen.push_back(line);
    EXPECT_EQ(restored, chosen);
    recording_log refused;
    EXPECT_EQ(run_card(refused, card.drive(), "restore", {source.archive, "--only", "57"}), 1);
    EXPECT_NE(refused.text().find("holds no image 57"), std::string::npos) << refused.text();
}

// A card that dies mid-restore opens with the complete images it had by
// then; a stop asked at any point leaves a card the check finds whole. Run
// again, the restore finishes.
TEST(backup, a_restore_cut_short_at_any_point_finishes_when_run_again) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    const std::vector<std::string> expected = card_listing(source.card.drive(), source.dir);
    // Sectors and gauge steps of a whole restore, to cut it at points spread
    // over it.
    uint64_t whole = 0;
    int64_t steps = 0;
    {
        memory_card card{TEST_CARD_SECTORS, fault_plan{}};
        ASSERT_TRUE(format_card(card.drive()));
        uint64_t formatted = card.counts().sectors_written;
        stopping_log log(-1);
        ASSERT_EQ(run_card(log.log, card.drive(), "restore", {source.archive}), 0) << log.log.text();
        whole = card.counts().sectors_written - formatted;
        steps = log.steps;
    }
    for (double at : {0.02, 0.3, 0.55, 0.8, 0.97}) {
        for (bool stopped : {false, true}) {
            SCOPED_TRACE((stopped ? "stopped at " : "died at ") + std::to_string(at));
            memory_card card{TEST_CARD_SECTORS, fault_plan{}};
            ASSERT_TRUE(format_card(card.drive()));
            fault_plan dying;
            dying.write_sector_budget = card.counts().sectors_written + uint64_t(whole * at);
            if (!stopped) fault_store_replan(card.faulty, dying);
            stopping_log cut(stopped ? int64_t(steps * at) : -1);
            EXPECT_EQ(run_card(cut.log, card.drive(), "restore", {source.archive}), 1);
            fault_store_replan(card.faulty, fault_plan{});
            // Complete images only: each with the bytes of one of the source's.
            for (const std::string &line : card_listing(card.drive(), source.dir))
                EXPECT_TRUE(std::any_of(expected.begin(), expected.end(),
                                        [&](const std::string &e) {
                                            return same_image(line, e);
                                        }))
                    << line;
            if (stopped) {
                recording_log check;
                EXPECT_EQ(run_card(check, card.drive(), "check"), 0) << check.text();
            }
            recording_log again;
            ASSERT_EQ(run_card(again, card.drive(), "restore", {source.archive}), 0) << again.text();
            EXPECT_EQ(card_listing(card.drive(), source.dir), expected);
        }
    }
}

TEST(backup, copy_gives_the_same_card_and_a_stopped_backup_leaves_no_archive) {
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, source.card.drive(), "copy", {card.drive()}), 0) << log.text();
    EXPECT_EQ(card_listing(card.drive(), source.dir), card_listing(source.card.drive(), source.dir));

    const std::string file = source.dir.path("stopped.tar.zst");
    recording_log stopped;
    stop_request stop;
    stop_ask(&stop);
    log_attach_stop(stopped.sink, &stop);
    EXPECT_EQ(run_card(stopped, source.card.drive(), "backup", {file}), 1);
    EXPECT_NE(stopped.text().find("stopped"), std::string::npos) << stopped.text();
    EXPECT_FALSE(fs::exists(file));
    for (const auto &f : fs::directory_iterator(source.dir.path("")))
        EXPECT_EQ(f.path().string().find("stopped"), std::string::npos) << f.path();
}
