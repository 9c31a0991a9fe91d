// Discs added from cue sheets: the card equals the one made from an image
// set of the same sectors and subchannel, and a bad sheet leaves it alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/write/adding_fixture.h"

namespace {

long binary(uint8_t bcd) { return bcd_to_bin(bcd); }

// prefix.img, prefix.sub and prefix.ccd holding what the sheet's source
// yields, sector by sector, with its TOC.
void write_set_from(const std::string &sheet, const std::string &prefix) {
    const disc_read d = read_whole_disc(sheet);
    ASSERT_FALSE(d.toc.empty());
    std::vector<entry_spec> toc;
    for (const toc_entry &e : d.toc) {
        long point = e.point >= TOC_POINT_A0 ? e.point : binary(e.point);
        toc.push_back({point, e.control, binary(e.pmin), binary(e.psec), binary(e.pframe)});
    }
    write_file(prefix + ".img", d.main);
    write_file(prefix + ".sub", d.sub);
    write_text(prefix + ".ccd", description_text("[CloneCD]\nVersion=3\n", toc));
}

}  // namespace

TEST(cue_add, card_equals_the_one_made_from_an_image_set_of_the_same_sectors) {
    for (const cue_disc_case &c : cue_disc_cases()) {
        SCOPED_TRACE(c.context);
        temp_dir dir;
        const std::string sheet = write_cue_disc(dir.path(""), c);
        write_set_from(sheet, dir.path("set"));
        memory_card from_sheet{TEST_CARD_SECTORS}, from_set{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(from_sheet.drive()));
        ASSERT_TRUE(format_card(from_set.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, from_sheet.drive(), "add_withname", {sheet, "game"}), 0)
            << log.text();
        ASSERT_EQ(run_card(log, from_set.drive(), "add_withname", {dir.path("set"), "game"}), 0)
            << log.text();
        std::vector<uint8_t> a = card_bytes(from_sheet), b = card_bytes(from_set);
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == b) << "the cards differ";
        // Overwriting, the sheet found by its bare prefix, does the same.
        ASSERT_EQ(run_card(log, from_sheet.drive(), "overwrite", {dir.path("disc"), "1", "game"}),
                  0)
            << log.text();
        ASSERT_EQ(run_card(log, from_set.drive(), "overwrite", {dir.path("set"), "1", "game"}), 0)
            << log.text();
        EXPECT_TRUE(card_bytes(from_sheet) == card_bytes(from_set)) << "overwritten cards differ";
    }
}

// Many rippers leave a track's INDEX 00 at the end of the previous track's
// file. The same sectors laid out that way, as one file, and as one file per
// track with each pregap at its start give the same card.
TEST(cue_add, pregaps_appended_to_the_previous_file_give_the_same_card) {
    temp_dir dir;
    // Disc sectors: track 1 data 0..99; track 2 audio, INDEX 00 at 100 and
    // INDEX 01 at 250; track 3 data, INDEX 00 at 310 and INDEX 01 at 470; 520 in all.
    const std::vector<uint8_t> disc = cue_file_bytes({"all.bin", 520, 2352});
    auto write_part = [&](const std::string &name, uint32_t first, uint32_t end) {
        write_file(dir.path(name), std::vector<uint8_t>(disc.begin() + first * 2352,
                                                        disc.begin() + end * 2352));
    };
    write_part("all.bin", 0, 520);
    write_part("t1.bin", 0, 100), write_part("t2.bin", 100, 310), write_part("t3.bin", 310, 520);
    write_part("a1.bin", 0, 250), write_part("a2.bin", 250, 470), write_part("a3.bin", 470, 520);
    const struct {
        const char *name;
        const char *sheet;
    } layouts[] = {
        {"one.cue",
         "FILE all.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "TRACK 02 AUDIO\nINDEX 00 00:01:25\nINDEX 01 00:03:25\n"
         "TRACK 03 MODE1/2352\nINDEX 00 00:04:10\nINDEX 01 00:06:20\n"},
        {"own.cue",
         "FILE t1.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "FILE t2.bin BINARY\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"
         "FILE t3.bin BINARY\nTRACK 03 MODE1/2352\nINDEX 00 00:00:00\nINDEX 01 00:02:10\n"},
        {"appended.cue",
         "FILE a1.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "TRACK 02 AUDIO\nINDEX 00 00:01:25\n"
         "FILE a2.bin BINARY\nINDEX 01 00:00:00\n"
         "TRACK 03 MODE1/2352\nINDEX 00 00:00:60\n"
         "FILE a3.bin BINARY\nINDEX 01 00:00:00\n"},
    };
    std::vector<uint8_t> first;
    for (const auto &l : layouts) {
        SCOPED_TRACE(l.name);
        write_text(dir.path(l.name), l.sheet);
        memory_card card{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "add_withname", {dir.path(l.name), "game"}), 0)
            << log.text();
        const std::vector<uint8_t> bytes = card_bytes(card);
        if (first.empty()) first = bytes;
        EXPECT_TRUE(bytes == first) << "the card differs from the one-file sheet's";
    }
}

TEST(cue_add, hash_listing_of_a_sheet_equals_that_of_its_image_set) {
    const cue_disc_case &c = cue_disc_cases()[1];
    temp_dir dir;
    const std::string sheet = write_cue_disc(dir.path(""), c);
    write_set_from(sheet, dir.path("set"));
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log from_sheet, from_set;
    ASSERT_EQ(run_card(from_sheet, card.drive(), "mmchash", {sheet}), 0) << from_sheet.text();
    ASSERT_EQ(run_card(from_set, card.drive(), "mmchash", {dir.path("set")}), 0);
    EXPECT_EQ(from_sheet.text(), from_set.text());
    EXPECT_NE(from_sheet.text().find("02 00:05:25"), std::string::npos) << from_sheet.text();
}

TEST(cue_add, bad_input_fails_and_leaves_the_card_unchanged) {
    temp_dir dir;
    const cue_disc_case &c = cue_disc_cases()[0];
    write_cue_disc(dir.path(""), c);
    write_text(dir.path("short.cue"),
               "FILE \"all tracks.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
               "TRACK 02 AUDIO\nINDEX 01 00:06:00\n");
    write_text(dir.path("missing.cue"), "FILE nothing.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log first;
    ASSERT_EQ(run_card(first, card.drive(), "add", {dir.path("disc.cue")}), 0) << first.text();
    const std::vector<uint8_t> before = card_bytes(card);
    struct {
        const char *command;
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {"add", {dir.path("short.cue")}, "all tracks.bin: too short for its tracks"},
        {"add", {dir.path("missing.cue")}, "nothing.bin: not found"},
        {"overwrite", {dir.path("missing.cue"), "1"}, "nothing.bin: not found"},
        {"add", {dir.path("none.chd")}, "none.chd"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.args[0]);
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), k.command, k.args), 1);
        EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        EXPECT_TRUE(card_bytes(card) == before) << "the card changed";
    }
}
