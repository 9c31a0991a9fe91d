// Extracting stored images: adding what was extracted gives the same card,
// names are safe, and nothing is replaced unless asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/card/backup/backup_discs.h"
#include "tests/card/write/adding_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string file_text(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(extract, adding_the_extracted_image_gives_the_same_card) {
    temp_dir dir;
    for (const test_image &image : write_test_images(dir.path(""))) {
        SCOPED_TRACE(image.context);
        memory_card source{TEST_CARD_SECTORS}, again{TEST_CARD_SECTORS};
        ASSERT_TRUE(format_card(source.drive()));
        ASSERT_TRUE(format_card(again.drive()));
        recording_log log;
        ASSERT_EQ(run_card(log, source.drive(), "add_withname", {image.input, image.name}), 0)
            << log.text();
        const std::string out = dir.path("out " + std::to_string(fs::hash_value(image.input)));
        fs::create_directories(out);
        ASSERT_EQ(run_card(log, source.drive(), "extract", {"1", "--to", out}), 0) << log.text();
        std::vector<fs::path> files;
        for (const auto &f : fs::directory_iterator(out)) files.push_back(f.path());
        ASSERT_FALSE(files.empty());
        // A ROM is one file, a disc an image set; add takes the set's prefix.
        fs::path added = files[0];
        if (added.extension() != ".pce") added.replace_extension();
        ASSERT_EQ(run_card(log, again.drive(), "add_withname", {added.string(), image.name}), 0)
            << log.text();
        std::vector<uint8_t> a = card_bytes(source), b = card_bytes(again);
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == b) << "the cards differ";
    }
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
