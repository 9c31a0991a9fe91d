// A card's images as the image list page shows them, and their text and JSON
// forms for `vmk card list`.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "card/commands/card_list.h"
#include "cli/listing_text.h"
#include "tests/card/layout/shell.h"
#include "tests/card/write/adding_fixture.h"

namespace {

// A formatted card with `roms` HuCard ROMs added under the names rom0, rom1...
struct listed_card {
    explicit listed_card(int roms) {
        EXPECT_TRUE(format_card(card.drive()));
        for (int i = 0; i < roms; i++) {
            std::string file = dir.path("rom" + std::to_string(i) + ".pce");
            write_file(file, make_rom(0x2000, static_cast<unsigned>(i)));
            EXPECT_EQ(run_card(log, card.drive(), "add_withname",
                               {file, "rom" + std::to_string(i)}),
                      0)
                << log.text();
        }
    }
    card_list list() {
        card_list l;
        EXPECT_TRUE(card_list_rows(log.sink, card.drive().c_str(), &l)) << log.text();
        return l;
    }
    temp_dir dir;
    memory_card card{TEST_CARD_SECTORS};
    recording_log log;
};

std::vector<std::string> texts_of(const card_list &l) {
    std::vector<std::string> texts;
    for (const card_list_row &r : l.rows) texts.push_back(r.text);
    return texts;
}

}  // namespace

TEST(CardList, OneBlockNumbersWithTwoDigitsAndSumsTheSizes) {
    listed_card c(2);
    card_list l = c.list();
    EXPECT_EQ(l.blocks, 1u);
    EXPECT_EQ(l.card_sectors, TEST_CARD_SECTORS);
    ASSERT_EQ(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0].text, "00 D  IMAGE INDEX for 0-xx");
    EXPECT_EQ(l.rows[1].text, "01 R  rom0");
    EXPECT_EQ(l.rows[2].text, "02 R  rom1");
    uint64_t used = 0;
    for (const card_list_row &r : l.rows) {
        EXPECT_EQ(r.size_bytes, uint64_t{r.length} * 512);
        used += r.length;
    }
    EXPECT_EQ(l.used_sectors, used);
    EXPECT_EQ(l.capacity_label, card_list_capacity_label(used, TEST_CARD_SECTORS));
    EXPECT_EQ(l.percent, used * 100 / TEST_CARD_SECTORS);
    EXPECT_EQ(l.capacity_label, std::to_string(used / 2048) + "/488MiB " +
                                    std::to_string(l.percent) + "%");
}

TEST(CardList, TwoBlocksNumberRowsWithTheBlock) {
    // 11 ROMs fill the first block of this card; the twelfth opens a second.
    listed_card c(12);
    card_list l = c.list();
    EXPECT_EQ(l.blocks, 2u);
    std::vector<std::string> texts = texts_of(l);
    ASSERT_EQ(texts.size(), 14u);
    EXPECT_EQ(texts[0], "0-00 D  IMAGE INDEX for 0-xx");
    EXPECT_EQ(texts[11], "0-11 R  rom10");
    EXPECT_EQ(texts[12], "1-00 D  IMAGE INDEX for 1-xx");
    EXPECT_EQ(texts[13], "1-01 R  rom11");
    EXPECT_EQ(l.rows[13].image_number, 101u);
}

TEST(CardList, StopEndsTheListingBetweenBlocksWithNothingListed) {
    listed_card c(12);
    stop_request stop;
    stop_ask(&stop);
    log_attach_stop(c.log.sink, &stop);
    card_list l;
    l.rows.resize(1);  // what the caller held stays as it was
    EXPECT_FALSE(card_list_rows(c.log.sink, c.card.drive().c_str(), &l));
    EXPECT_EQ(l.rows.size(), 1u);
    EXPECT_NE(c.log.text().find("stopped\n"), std::string::npos) << c.log.text();
    // Only reads happened: the card lists whole once the stop is withdrawn.
    stop_clear(&stop);
    EXPECT_EQ(c.list().rows.size(), 14u);
    log_attach_stop(c.log.sink, nullptr);
}

TEST(CardList, UnreadableCardFails) {
    recording_log log;
    card_list l;
    EXPECT_FALSE(card_list_rows(log.sink, "Q", &l));
    EXPECT_FALSE(log.text().empty());
}

TEST(CardList, KindMarksByFlagsByte) {
    const struct {
        uint8_t flags;
        const char *mark;
    } cases[] = {
        {0x00, "D "}, {0x01, "Dr"}, {0x80, "R "}, {0x90, "R "}, {0xA0, "Rx"}, {0xE0, "Rx"},
        {0xC0, "Rr"}, {0xD0, "Rr"}, {0xB0, "R!"}, {0xF0, "R!"}, {0x81, "R?"}, {0x02, "D?"},
    };
    for (const auto &c : cases) EXPECT_STREQ(card_list_kind_mark(c.flags), c.mark) << int{c.flags};
}

TEST(CardList, CapacityLabelInMiBBelowOneGiBElseGiB) {
    const struct {
        uint64_t used;
        uint32_t total;
        const char *label;
    } cases[] = {
        {1000000, 3000000, " 0.5/ 1.5GiB 33%"},
        {0x100000, 0x1FFFFF, "512/1023MiB 50%"},
        {0, 0x200000, " 0.0/ 1.0GiB 0%"},
        {0, 0, "0/0MiB 0%"},  // no division by zero on an empty size
    };
    for (const auto &c : cases) EXPECT_EQ(card_list_capacity_label(c.used, c.total), c.label);
}

TEST(CardList, TextShowsSizesAndEndsWithTheCapacityLine) {
    listed_card c(1);
    card_list l = c.list();
    std::string text = card_list_text(l, false);
    EXPECT_NE(text.find("      0.0 MiB  01 R  rom0\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), l.capacity_label + "\n");
}

TEST(CardList, JsonReadsBackWithAJsonParser) {
    listed_card c(1);
    card_list l = c.list();
    l.rows[1].name = "quote \" back\\slash\ttab \xE3\x81\x82";  // escapes and UTF-8
    std::string file = c.dir.path("list.json");
    std::ofstream(file) << card_list_text(l, true);
    // Every line parses alone; the last one is the capacity record.
    std::string said = json_lines_print(
        file, "rows[1][\"name\"]==\"quote \\\" back\\\\slash\\ttab \\u3042\", rows[1][\"number\"],"
              " rows[1][\"kind\"], rows[1][\"size_bytes\"], rows[-1][\"capacity\"], rows[-1][\"blocks\"]");
    EXPECT_EQ(said, "True 01 R  " + std::to_string(l.rows[1].size_bytes) + " " +
                        l.capacity_label + " 1\n");
}
