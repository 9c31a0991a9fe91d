#include "card/imagelist/list_on_card.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/imagelist/label_canvas.h"
#include "card/imagelist/list_render.h"
#include "tests/card/imagelist/line_art.h"
#include "tests/card/store/memory_card.h"
#include "tests/support/recording_log.h"

namespace {

// 100 slot texts of 512 bytes, as the card store passes them.
struct slot_texts {
    std::vector<char> bytes = std::vector<char>(LIST_SLOT_COUNT * LIST_SLOT_TEXT_SIZE, 0);
    void set(int slot, const std::string &text) {
        ASSERT_LT(text.size(), size_t{LIST_SLOT_TEXT_SIZE});
        memcpy(&bytes[slot * LIST_SLOT_TEXT_SIZE], text.c_str(), text.size() + 1);
    }
};

// Discs "A", "B", "C" in order 0, 1, 2; the other 97 slots empty.
slot_texts three_disc_block() {
    slot_texts t;
    t.set(0, "2A");
    t.set(1, "2B");
    t.set(2, "1C");
    for (int p = 3; p < LIST_SLOT_COUNT; p++) {
        char text[8];
        snprintf(text, sizeof text, "0[%02d]", p);
        t.set(p, text);
    }
    return t;
}

std::vector<uint8_t> settings_sector() {
    std::vector<uint8_t> s(LIST_SETTINGS_SIZE, 0);
    for (int i = 0; i < 100; i++) s[i] = static_cast<uint8_t>(i);
    s[100] = 0x11, s[104] = 0x17, s[499] = 0xAB;
    return s;
}

std::vector<uint8_t> build(const slot_texts &t, log_sink *log, int count = LIST_SLOT_COUNT) {
    std::vector<uint8_t> settings = settings_sector();
    std::vector<uint8_t> list(LIST_IMAGE_SIZE);
    EXPECT_EQ(build_list_image(log, t.bytes.data(), count, LIST_SLOT_TEXT_SIZE, settings.data(),
                               LIST_SETTINGS_SIZE, list.data()),
              1);
    return list;
}

std::vector<uint8_t> patterned_raw() {
    std::vector<uint8_t> raw(LIST_RAW_BYTES);
    for (size_t i = 0; i < raw.size(); i++) raw[i] = static_cast<uint8_t>(i * 7 + i / 2448);
    return raw;
}

}  // namespace

TEST(ImageList, SlotsFillFourPlanesOfTwoPagesInOrder) {
    recording_log log;
    std::vector<uint8_t> list = build(three_disc_block(), log.sink);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(page_line_art(list.data(), 0, 0, 0), glyph_line_art(ascii("  A")));
    EXPECT_EQ(page_line_art(list.data(), 0, 0, 1), glyph_line_art(ascii("  B")));
    EXPECT_EQ(page_line_art(list.data(), 0, 0, 2), glyph_line_art(ascii("  C")));

    struct {
        int slot, page, plane, line;
    } places[] = {
        {3, 0, 0, 3},  {16, 0, 0, 16}, {17, 0, 1, 0}, {33, 0, 1, 16}, {34, 0, 2, 0}, {50, 0, 2, 16},
        {51, 0, 3, 0}, {67, 0, 3, 16}, {68, 1, 0, 0}, {75, 1, 0, 7},  {76, 1, 1, 0}, {84, 1, 1, 8},
        {85, 1, 2, 0}, {92, 1, 2, 7},  {93, 1, 3, 0}, {99, 1, 3, 6},
    };
    for (const auto &p : places) {
        char index[8];
        snprintf(index, sizeof index, "[%02d]", p.slot);
        SCOPED_TRACE(index);
        EXPECT_EQ(page_line_art(list.data(), p.page, p.plane, p.line),
                  glyph_line_art(ascii(index)));
    }
    // Lines past a plane's last stay empty: plane 3 of page 1 has 7 lines.
    EXPECT_EQ(page_line_art(list.data(), 1, 3, 7), glyph_line_art({}));
    EXPECT_EQ(memcmp(list.data(), settings_sector().data(), LIST_SETTINGS_SIZE), 0);
}

TEST(ImageList, NamesDrawnWithBothFonts) {
    struct {
        const char *context;
        const char *slot;
        std::vector<glyph_ref> drawn;
        const char *logged;
    } cases[] = {
        {"Roman numeral four", "2Ⅳ", ascii("  IV"), ""},
        {"half-width katakana advance 6 pixels", "2ｱｲA",
         ascii("  ") + half(0xB1) + half(0xB2) + ascii("A"), ""},
        {"kanji and full-width kana", "1漢字かな",
         ascii("  ") + full(0x3441) + full(0x3B7A) + full(0x242B) + full(0x244A), ""},
        {"JIS X 0212 character is reported and takes no room", "2aéb", ascii("  ab"),
         "IMAGE LIST: font is not found for é\n"},
        {"emoji is reported and the rest drawn", "2a😀b", ascii("  ab"),
         "IMAGE LIST: font is not found for 😀\n"},
        {"invalid UTF-8",
         "2a\x80"
         "bc",
         ascii(">encoding error<"), "character encoding error for IMAGE LIST\n"},
        {"control character takes no room", "2a\tb", ascii("  ab"), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        recording_log log;
        slot_texts t;
        t.set(0, c.slot);
        std::vector<uint8_t> list = build(t, log.sink, 1);
        EXPECT_EQ(page_line_art(list.data(), 0, 0, 0), glyph_line_art(c.drawn));
        EXPECT_EQ(log.text(), c.logged);
    }
}

// 27 full-width characters: the 26th starts at x = 300 and is drawn, though
// only its first four columns reach the page; the 27th would start at 312.
TEST(ImageList, TextStopsAtTheFirstCharacterStartingBeyond303) {
    std::string name = "0";
    for (int i = 0; i < 27; i++) name += "■";
    slot_texts t;
    t.set(0, name);
    recording_log log;
    std::vector<uint8_t> list = build(t, log.sink, 1);
    std::vector<glyph_ref> squares;
    for (int i = 0; i < 26; i++) squares = squares + full(0x2223);
    EXPECT_EQ(page_line_art(list.data(), 0, 0, 0), glyph_line_art(squares));

    label_converters c;
    ASSERT_EQ(label_converters_open(&c, log.sink), 1);
    auto canvas = std::make_unique<label_canvas>();
    label_canvas_clear(canvas.get());
    std::string euc;
    for (int i = 0; i < 27; i++) euc += "\xA2\xA3";
    label_draw_text(canvas.get(), euc.c_str(), 0, 1, c, log.sink);
    label_converters_close(&c);
    int beyond_page = 0, beyond_26th = 0;
    for (int y = 0; y < LABEL_CANVAS_ROWS; y++) {
        for (int x = 304; x < 312; x++) beyond_page += canvas->pixels[y][x];
        for (int x = 312; x < LABEL_CANVAS_WIDTH; x++) beyond_26th += canvas->pixels[y][x];
    }
    EXPECT_GT(beyond_page, 0);
    EXPECT_EQ(beyond_26th, 0);
}

TEST(ImageList, CodesWithoutGlyphAreReportedAndTakeNoRoom) {
    recording_log log;
    label_converters c;
    ASSERT_EQ(label_converters_open(&c, log.sink), 1);
    auto drawn = std::make_unique<label_canvas>();
    auto expected = std::make_unique<label_canvas>();
    label_canvas_clear(drawn.get());
    label_canvas_clear(expected.get());
    // Row 9 is empty in JIS X 0208; 0x8E 0xE0 is no katakana.
    label_draw_text(drawn.get(),
                    "a\xA9\xA1"
                    "b\x8E\xE0"
                    "c",
                    12, 2, c, log.sink);
    label_draw_text(expected.get(), "abc", 12, 2, c, log.sink);
    label_converters_close(&c);
    EXPECT_EQ(memcmp(drawn->pixels, expected->pixels, sizeof drawn->pixels), 0);
    EXPECT_EQ(log.text(),
              "IMAGE LIST: font is not found for 0xA9A1\n"
              "IMAGE LIST: font is not found for 0x8EE0\n");
}

// Slots filled to their 511-byte limit, without zero bytes, with arbitrary
// bytes or with arbitrary characters: every text is converted, drawn or
// refused without a sanitizer report, and the rendering still succeeds.
TEST(ImageList, ArbitraryTextsNeverBreakTheRendering) {
    uint32_t state = 12345;
    auto next = [&state](uint32_t limit) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % limit;
    };
    auto append_utf8 = [](std::string &s, uint32_t c) {
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | c >> 6);
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | c >> 12);
            s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | c >> 18);
            s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    // ASCII, Latin-1, Roman numerals, kana, kanji, half-width kana, emoji.
    const uint32_t blocks[][2] = {{0x01, 0x7F},      {0xA0, 0xFF},     {0x2160, 0x2170},
                                  {0x3041, 0x30FF},  {0x4E00, 0x9FFF}, {0xFF61, 0xFF9F},
                                  {0x1F600, 0x1F64F}};
    for (int round = 0; round < 12; round++) {
        std::vector<char> texts(LIST_SLOT_COUNT * LIST_SLOT_TEXT_SIZE);
        for (int slot = 0; slot < LIST_SLOT_COUNT; slot++) {
            std::string text;
            while (text.size() < LIST_SLOT_TEXT_SIZE) {
                if (round % 2 == 0) {
                    text += static_cast<char>(1 + next(255));
                } else {
                    const uint32_t *b = blocks[next(7)];
                    append_utf8(text, b[0] + next(b[1] - b[0] + 1));
                }
            }
            memcpy(&texts[slot * LIST_SLOT_TEXT_SIZE], text.data(), LIST_SLOT_TEXT_SIZE);
        }
        std::vector<uint8_t> list(LIST_IMAGE_SIZE);
        EXPECT_EQ(build_list_image(log_null(), texts.data(), LIST_SLOT_COUNT, LIST_SLOT_TEXT_SIZE,
                                   nullptr, 0, list.data()),
                  1);
    }
}

TEST(ImageList, UnusableArgumentsFailWithAMessage) {
    slot_texts t = three_disc_block();
    std::vector<uint8_t> settings(4096, 0);
    std::vector<uint8_t> list(LIST_IMAGE_SIZE);
    struct {
        const char *context;
        const char *texts;
        int count, size, settings_size;
    } cases[] = {
        {"more texts than slots", t.bytes.data(), 101, 512, 2048},
        {"negative count", t.bytes.data(), -1, 512, 2048},
        {"texts missing", nullptr, 100, 512, 2048},
        {"zero text size", t.bytes.data(), 100, 0, 2048},
        {"settings too large", t.bytes.data(), 100, 512, 2049},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        recording_log log;
        EXPECT_EQ(build_list_image(log.sink, c.texts, c.count, c.size, settings.data(),
                                   c.settings_size, list.data()),
                  0);
        EXPECT_NE(log.text().find("IMAGE LIST: "), std::string::npos);
    }
}

TEST(ImageList, OnlyRawSectors1To25AreRebuilt) {
    recording_log log;
    slot_texts t = three_disc_block();
    std::vector<uint8_t> settings = settings_sector();
    std::vector<uint8_t> raw = patterned_raw();
    const std::vector<uint8_t> before = raw;
    ASSERT_EQ(render_list_sectors(log.sink, t.bytes.data(), LIST_SLOT_COUNT, LIST_SLOT_TEXT_SIZE,
                                  settings.data(), LIST_SETTINGS_SIZE, raw.data()),
              1);
    std::vector<uint8_t> list = build(t, log.sink);

    const size_t S = LIST_RAW_SECTOR_SIZE;
    EXPECT_EQ(memcmp(raw.data(), before.data(), S), 0);
    EXPECT_EQ(memcmp(raw.data() + 26 * S, before.data() + 26 * S, 230 * S), 0);
    for (int k = 0; k < 25; k++) {
        const uint8_t *s = raw.data() + (k + 1) * S;
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(std::vector<uint8_t>(s, s + 96), std::vector<uint8_t>(96, 0x55));
        EXPECT_EQ(std::vector<uint8_t>(s + 96, s + 112), std::vector<uint8_t>(16, 0x11));
        EXPECT_EQ(memcmp(s + 112, list.data() + k * 2048, 2048), 0);
        EXPECT_EQ(std::vector<uint8_t>(s + 2160, s + S), std::vector<uint8_t>(288, 0x22));
    }
    // The card store reads the settings back from 512-byte sector 5.
    EXPECT_EQ(memcmp(raw.data() + 2560, settings.data(), LIST_SETTINGS_SIZE), 0);
}

// A memory card whose index disc starts at sector 40, with 10 sectors after
// it; every byte patterned so stray writes show.
class RenderOnDisk : public ::testing::Test {
protected:
    static constexpr uint32_t BASE = 40;
    static constexpr uint64_t SECTORS = BASE + uint64_t{LIST_RAW_BYTES} / DISK_SECTOR_SIZE + 10;

    void SetUp() override {
        original.resize(SECTORS * DISK_SECTOR_SIZE);
        for (size_t i = 0; i < original.size(); i++) original[i] = static_cast<uint8_t>(i % 251);
        use_card({});
    }
    void TearDown() override { disk_close(disk); }

    void use_card(const fault_plan &faults) {
        disk_close(disk);
        disk = nullptr;
        card = std::make_unique<memory_card>(SECTORS, faults);
        card->write(0, original);
        disk = disk_open(log.sink, card->drive().c_str(), 0);
        ASSERT_NE(disk, nullptr);
        disk_set_relativepoint(disk, BASE);
    }
    int render() {
        return render_image_list(disk, log.sink, texts.bytes.data(), LIST_SLOT_COUNT,
                                 LIST_SLOT_TEXT_SIZE, settings.data(), LIST_SETTINGS_SIZE);
    }

    std::vector<uint8_t> original;
    std::unique_ptr<memory_card> card;
    disk_handle *disk = nullptr;
    slot_texts texts = three_disc_block();
    std::vector<uint8_t> settings = settings_sector();
    recording_log log;
};

TEST_F(RenderOnDisk, RewritesTheIndexDiscAtTheRelativePoint) {
    ASSERT_EQ(render(), 1);
    EXPECT_EQ(log.text(), "");
    const size_t start = BASE * DISK_SECTOR_SIZE;
    std::vector<uint8_t> raw(original.begin() + start, original.begin() + start + LIST_RAW_BYTES);
    ASSERT_EQ(
        render_list_sectors(log.sink, texts.bytes.data(), LIST_SLOT_COUNT, LIST_SLOT_TEXT_SIZE,
                            settings.data(), LIST_SETTINGS_SIZE, raw.data()),
        1);
    std::vector<uint8_t> now = card->read(0, SECTORS);
    EXPECT_EQ(memcmp(now.data(), original.data(), start), 0);
    EXPECT_EQ(memcmp(now.data() + start, raw.data(), LIST_RAW_BYTES), 0);
    EXPECT_EQ(memcmp(now.data() + start + LIST_RAW_BYTES, original.data() + start + LIST_RAW_BYTES,
                     10 * DISK_SECTOR_SIZE),
              0);
}

TEST_F(RenderOnDisk, FailedReadOrWriteIsReported) {
    fault_plan failing_read;
    failing_read.fail_read_at = 1;
    use_card(failing_read);
    EXPECT_EQ(render(), 0);
    EXPECT_EQ(log.text(), "IMAGE LIST: cannot read the index disc\n");
    EXPECT_EQ(card->counts().writes, 0u);
    EXPECT_EQ(card->read(0, SECTORS), original);

    log.writes.clear();
    fault_plan failing_write;
    failing_write.fail_write_at = 1;
    use_card(failing_write);
    EXPECT_EQ(render(), 0);
    EXPECT_EQ(log.text(), "IMAGE LIST: cannot write the index disc\n");
}
