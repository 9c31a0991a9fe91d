// Extracting stored images: adding what was extracted gives the same card,
// names are safe, and nothing is replaced unless asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "card/cdimage/subchannel_q_crc.h"
#include "core/title_file_name.h"
#include "tests/card/backup/backup_discs.h"
#include "tests/card/cdimage/chdman_run.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/write/adding_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string file_text(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(extract, adding_the_extracted_image_gives_the_same_card_in_each_form) {
    temp_dir dir;
    const std::vector<test_image> images = write_test_images(dir.path(""));
    for (const char *form : {"ccd", "cue", "chd"}) {
        for (const test_image &image : images) {
            SCOPED_TRACE(image.context + " as " + form);
            memory_card source{TEST_CARD_SECTORS}, again{TEST_CARD_SECTORS};
            ASSERT_TRUE(format_card(source.drive()));
            ASSERT_TRUE(format_card(again.drive()));
            recording_log log;
            ASSERT_EQ(run_card(log, source.drive(), "add_withname", {image.input, image.name}), 0)
                << log.text();
            const std::string out = dir.path(std::string("out ") + form + " " + title_file_name(image.name));
            fs::create_directories(out);
            ASSERT_EQ(run_card(log, source.drive(), "extract", {"1", "--to", out, "--as", form}), 0)
                << log.text();
            EXPECT_EQ(log.text().find("cannot carry"), std::string::npos) << log.text();
            // What add takes: the ROM file, the image set's prefix, the sheet,
            // the CHD.
            const std::string base = out + "/" + title_file_name(image.name);
            std::string added = base + ".pce";
            if (!fs::exists(added))
                added = std::string(form) == "ccd" ? base : base + "." + form;
            ASSERT_EQ(run_card(log, again.drive(), "add_withname", {added, image.name}), 0)
                << log.text();
            std::vector<uint8_t> a = card_bytes(source), b = card_bytes(again);
            ASSERT_FALSE(a.empty());
            EXPECT_TRUE(a == b) << "the cards differ";
        }
    }
}

// chdman's extraction of the CHD form is the cue form's track files end to
// end: the same tracks from the same INDEX 00, audio in the same order.
TEST(extract, chdman_extracts_the_chd_form_as_the_cue_forms_tracks) {
    SKIP_WITHOUT_CHDMAN();
    temp_dir dir;
    const std::vector<test_image> images = write_test_images(dir.path(""));
    for (const test_image &image : images) {
        if (image.input.size() > 4 && image.input.substr(image.input.size() - 4) == ".pce") continue;
        SCOPED_TRACE(image.context);
        const std::string key = "extracted_chd" + std::to_string(&image - images.data());
        memory_card card{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(card.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, card.drive(), "add_withname", {image.input, "disc"}), 0) << log.text();
        const std::string out = dir.path(key);
        fs::create_directories(out);
        for (const char *form : {"cue", "chd"})
            ASSERT_EQ(run_card(log, card.drive(), "extract", {"1", "--to", out, "--as", form}), 0)
                << log.text();
        ASSERT_TRUE(run_chdman("extractcd -i " + quoted(out + "/disc.chd") + " -o " +
                                   quoted(out + "/x.cue") + " -ob " + quoted(out + "/x.bin"),
                               key, {out + "/x.cue", out + "/x.bin"}));
        std::string tracks;
        const std::string sheet = file_text(out + "/disc.cue");
        for (size_t at = 0; (at = sheet.find("FILE \"", at)) != std::string::npos;) {
            at += 6;
            tracks += file_text(out + "/" + sheet.substr(at, sheet.find('"', at) - at));
        }
        ASSERT_FALSE(tracks.empty());
        EXPECT_TRUE(file_text(out + "/x.bin") == tracks) << "chdman's extraction differs";
    }
}

// A catalogue frame (ADR 2) among the position frames: the image set and
// the CHD keep it, the cue form names the sector it loses.
TEST(extract, cue_names_the_sectors_whose_q_frames_it_cannot_carry) {
    temp_dir dir;
    std::vector<sector_spec> sectors;
    add_track(&sectors, 0x40, 1, 150, 100, 1);
    sectors[37].q = q_position(0x40, 1, 1, 37, 187);
    sectors[37].q[0] = 0x42;
    sectors[37].q[1] = 0x12, sectors[37].q[2] = 0x34;
    q_crc_store(sectors[37].q.data());
    write_image(dir.path("mcn"), sectors);
    write_text(dir.path("mcn.ccd"),
               description_text("[CloneCD]\nVersion=3\n", {{0xA0, 4, 1, 0, 0},
                                                            {0xA1, 4, 1, 0, 0},
                                                            {0xA2, 4, 0, 3, 25},
                                                            {1, 4, 0, 2, 0}}));
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add_withname", {dir.path("mcn"), "mcn"}), 0)
        << log.text();
    const std::string out = dir.path("out");
    fs::create_directories(out);
    recording_log cue;
    ASSERT_EQ(run_card(cue, card.drive(), "extract", {"1", "--to", out, "--as", "cue"}), 0)
        << cue.text();
    EXPECT_NE(cue.text().find("sectors 37 to 37: stored Q frames a cue sheet cannot carry"),
              std::string::npos)
        << cue.text();
    EXPECT_NE(cue.text().find("--as ccd keeps them"), std::string::npos) << cue.text();
    recording_log ccd;
    ASSERT_EQ(run_card(ccd, card.drive(), "extract", {"1", "--to", out}), 0) << ccd.text();
    const std::string sub = file_text(out + "/mcn.sub");
    ASSERT_EQ(sub.size(), 100u * 96);
    EXPECT_EQ(sub.substr(37 * 96 + 12, 12), std::string(sectors[37].q.begin(), sectors[37].q.end()));
    // A CHD keeps the raw subchannel: the frame comes back, unwarned.
    recording_log chd;
    ASSERT_EQ(run_card(chd, card.drive(), "extract", {"1", "--to", out, "--as", "chd"}), 0)
        << chd.text();
    EXPECT_EQ(chd.text().find("cannot carry"), std::string::npos) << chd.text();
    const disc_read back = read_whole_disc(out + "/mcn.chd");
    ASSERT_EQ(back.sub.size(), 100u * 96);
    EXPECT_TRUE(std::equal(sectors[37].q.begin(), sectors[37].q.end(), back.sub.begin() + 37 * 96 + 12));
}

TEST(extract, names_are_safe_and_files_are_replaced_only_with_force) {
    temp_dir dir;
    write_file(dir.path("game.pce"), make_rom(8192, 3));
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add_withname", {dir.path("game.pce"), "A/B: c?"}), 0)
        << log.text();
    const std::string out = dir.path("out");
    fs::create_directories(out);
    const std::string expected = out + "/A_B_ c_.pce";
    ASSERT_EQ(run_card(log, card.drive(), "extract", {"1", "--to", out}), 0) << log.text();
    const std::string rom = file_text(expected);
    EXPECT_EQ(rom, file_text(dir.path("game.pce")));

    write_file(expected, {1, 2, 3});
    recording_log refused;
    EXPECT_EQ(run_card(refused, card.drive(), "extract", {"1", "--to", out}), 1);
    EXPECT_NE(refused.text().find("exists"), std::string::npos) << refused.text();
    EXPECT_EQ(file_text(expected), std::string("\1\2\3"));
    EXPECT_EQ(run_card(log, card.drive(), "extract", {"1", "--to", out, "--force"}), 0)
        << log.text();
    EXPECT_EQ(file_text(expected), rom);
}

TEST(extract, refuses_bad_requests_before_writing) {
    temp_dir dir;
    write_file(dir.path("game.pce"), make_rom(8192, 4));
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add_withname", {dir.path("game.pce"), "game"}), 0)
        << log.text();
    const std::string out = dir.path("out");
    fs::create_directories(out);
    const struct {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"1"}, "needs --to"},
        {{"1", "--to", out, "--as", "zip"}, "not a form"},
        {{"1", "5", "--to", out}, "image#5 not found"},
        {{"1", "x", "--to", out}, "not a number"},
        {{"1", "900", "--to", out}, "manage area block not found"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.message);
        recording_log refused;
        EXPECT_EQ(run_card(refused, card.drive(), "extract", k.args), 1);
        EXPECT_NE(refused.text().find(k.message), std::string::npos) << refused.text();
    }
    EXPECT_TRUE(fs::is_empty(out)) << "a refused extract wrote files";
}
