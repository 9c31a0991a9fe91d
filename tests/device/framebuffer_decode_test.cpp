// Line record decoding, the colour table lines and the palette record.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/framebuffer.h"
#include "tests/support/recording_log.h"
#include "tools/board_emulator/emu_frame.h"

namespace {

struct rendered {
    int y, count;
    const fb_entry *palette;
};

int record_render(void *context, int y, const uint16_t *, const fb_entry *palette, int count) {
    static_cast<std::vector<rendered> *>(context)->push_back({y, count, palette});
    return 0;
}

class Decode : public testing::Test {
protected:
    void SetUp() override { fb_reset(fb.get()); }

    // Makes line y the next line to decode (colour table lines skipped).
    void at_line(int y) { fb->line_count = y; }

    int parse(const std::vector<uint16_t> &words) {
        return fb_parse_line(fb.get(), words.data(), static_cast<int>(words.size()), log.sink);
    }

    std::vector<rendered> renders;
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> fb{fb_create(&renders, record_render),
                                                             fb_destroy};
    recording_log log;
};

uint16_t sample_pixel(int i) { return static_cast<uint16_t>((i * 37 + 5) % 0x100); }

}  // namespace

TEST_F(Decode, BitStreamByHand) {
    // Header bits 2-0 = 101, then W1's 15 bits, then W2's; bit 15 of W2 and the
    // whole trailing word carry nothing.
    at_line(2);
    ASSERT_EQ(parse({0x5005, 0x6666, 0xFFFF, 0x1234}), 1);
    EXPECT_EQ(fb->pixels[2][0], 0x173);           // 101 110011
    EXPECT_EQ(fb->pixels[2][1], 0x066);           // 001100110
    EXPECT_EQ(fb->pixels[2][2], 0x1FF);           // 111111111 (bit 15 ignored)
    EXPECT_EQ(fb->pixels[2][3], FB_EMPTY_PIXEL);  // the rest of W2 is dropped
    EXPECT_EQ(fb->line_count, 3);
}

TEST_F(Decode, WordCountsGiveThePixelCount) {
    // k stream words give 5m+1, 5m+3, 5m+4 pixels for k = 3m+1, 3m+2, 3m+3;
    // pixels the stream does not reach are empty.
    struct {
        int words, pixels;
    } cases[] = {{411, 681}, {410, 679}, {409, 678}, {5, 4}, {4, 3}, {3, 1}, {2, 0}};
    for (auto c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(fb_stream_pixels(c.words - 2), c.pixels);
        std::vector<uint16_t> pixels;
        for (int i = 0; i < c.pixels; i++) pixels.push_back(sample_pixel(i));
        std::vector<uint16_t> words = c.pixels > 0
                                          ? emu_frame_encode_line(EMU_LINE_DIV2, pixels)
                                          : std::vector<uint16_t>{uint16_t{EMU_LINE_DIV2}, 0xFFFF};
        ASSERT_EQ(static_cast<int>(words.size()), c.words);
        fb_reset(fb.get());
        at_line(2);
        ASSERT_EQ(parse(words), 1);
        for (int x = 0; x < 680; x++)  // pixel 680 is past a divider-2 line
            ASSERT_EQ(fb->pixels[2][x], x < c.pixels ? sample_pixel(x) : uint16_t{FB_EMPTY_PIXEL})
                << x;
    }
}

TEST_F(Decode, HeaderFieldsAndTheDrawnPixelCount) {
    struct {
        uint16_t flags;
        int div, select, lines_per_frame, count;
    } cases[] = {
        {EMU_LINE_DIV2 | EMU_LINE_263, 2, 0, 263, 677},
        {EMU_LINE_DIV3, 3, 0, 262, 452},
        {EMU_LINE_DIV4 | EMU_LINE_GREY, 4, 1, 262, 338},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.div);
        fb_reset(fb.get());
        renders.clear();
        at_line(7);
        ASSERT_EQ(parse(emu_frame_encode_line(c.flags, std::vector<uint16_t>(681, 3))), 1);
        const fb_line &line = fb->lines[7];
        EXPECT_EQ(line.div, c.div);
        EXPECT_EQ(line.palette_select, c.select);
        EXPECT_EQ(line.lines_per_frame, c.lines_per_frame);
        EXPECT_EQ(line.palette_table, fb->line_palettes[c.select]);
        // Pixels from min(1365 / div, 680) on are empty.
        int end = std::min(1365 / c.div, 680);
        EXPECT_EQ(fb->pixels[7][end - 1], 3);
        EXPECT_EQ(fb->pixels[7][end], FB_EMPTY_PIXEL);
        ASSERT_EQ(renders.size(), 1u);
        EXPECT_EQ(renders[0].y, 7);
        EXPECT_EQ(renders[0].count, c.count);
        EXPECT_EQ(renders[0].palette, fb->line_palettes[c.select]);
    }
}

TEST_F(Decode, ColourTableLinesFillBothLinePalettes) {
    // Colour word: red in bits 8-6, green 5-3, blue 2-0; the palette index has
    // green and red the other way round. 0b001'010'011 is r 1, g 2, b 3.
    std::vector<uint16_t> line0(257, 0), line1(257, 0);
    line0[0] = 0x1FF;            // pixel 0 is not a colour
    line0[1 + 5] = 0b001010011;  // colour number 5
    line1[1 + 0] = 0b001010011;  // colour number 256
    line1[1 + 255] = 0x1FF;      // colour number 511: white
    ASSERT_EQ(parse(emu_frame_encode_line(EMU_LINE_DIV2, line0)), 1);
    ASSERT_EQ(parse(emu_frame_encode_line(EMU_LINE_DIV2, line1)), 1);

    const fb_entry *colour = fb->line_palettes[0], *grey = fb->line_palettes[1];
    auto entry = [](const fb_entry &e) { return std::vector<int>{e[0], e[1], e[2], e[3]}; };
    // Default levels of r 1, g 2, b 3: 36, 72, 109; Y = 66.
    EXPECT_EQ(entry(colour[5]), (std::vector<int>{36, 72, 109, 255}));
    EXPECT_EQ(entry(grey[5]), (std::vector<int>{66, 66, 66, 255}));
    EXPECT_EQ(entry(colour[0]), (std::vector<int>{0, 0, 0, 255}));
    // Colour number 256 is the empty pixel's colour: half transparent.
    EXPECT_EQ(entry(colour[256]), (std::vector<int>{36, 72, 109, 127}));
    EXPECT_EQ(entry(grey[256]), (std::vector<int>{66, 66, 66, 127}));
    EXPECT_EQ(entry(colour[511]), (std::vector<int>{255, 255, 255, 255}));
    // The lines themselves hold no picture and draw nothing.
    for (int x = 0; x < FRAMEBUFFER_WIDTH; x++) {
        ASSERT_EQ(fb->pixels[0][x], FB_EMPTY_PIXEL);
        ASSERT_EQ(fb->pixels[1][x], FB_EMPTY_PIXEL);
    }
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].count, -3);
    EXPECT_EQ(renders[1].count, -3);
}

TEST_F(Decode, MalformedRecordsAreRefusedAndLeaveTheStoreAlone) {
    struct {
        std::vector<uint16_t> words;
        int line;
        const char *message;
    } cases[] = {
        {{EMU_LINE_DIV2}, 4, "line 4: record of 1 words, expected 2 to 411\n"},
        {{}, 4, "line 4: record of 0 words, expected 2 to 411\n"},
        {std::vector<uint16_t>(412, EMU_LINE_DIV2), 4,
         "line 4: record of 412 words, expected 2 to 411\n"},
        {{EMU_LINE_263, 0, 0}, 4, "line 4: pixel clock divider 1 is not supported\n"},
        {{EMU_LINE_DIV2, 0, 0}, 263, "line 263: a frame holds only 263 lines\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.message);
        log.writes.clear();
        renders.clear();
        at_line(c.line);
        fb->pixels[4][0] = 0x0AB;
        EXPECT_EQ(parse(c.words), 0);
        EXPECT_EQ(log.text(), c.message);
        EXPECT_EQ(fb->line_count, c.line);
        EXPECT_EQ(fb->pixels[4][0], 0x0AB);
        EXPECT_TRUE(renders.empty());
    }
}

TEST(FramePalette, DefaultRule) {
    struct {
        int index;
        int r, g, b, y;
    } cases[] = {
        {0, 0, 0, 0, 0},           {9, 36, 0, 36, 15},  // r = b = 1
        {0x1C0, 0, 255, 0, 149},                        // g = 7
        {0x038, 255, 0, 0, 76},                         // r = 7
        {511, 255, 255, 255, 255},
    };
    for (auto c : cases) {
        fb_entry e;
        fb_default_palette_entry(c.index, e);
        EXPECT_EQ((std::vector<int>{e[0], e[1], e[2], e[3]}),
                  (std::vector<int>{c.r, c.g, c.b, c.y}))
            << c.index;
    }
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> fb{fb_create(nullptr, nullptr),
                                                             fb_destroy};
    EXPECT_EQ(fb->palette[511][3], 255);
    EXPECT_EQ(fb->palette[9][3], 15);
}

TEST(FramePalette, RecordConvertsYPbPrAndNeedsItsSignature) {
    std::vector<uint8_t> record{'P', 'b', 'P', 'r', 'Y', 0xA9};
    record.resize(FB_PALETTE_RECORD_SIZE, 0);
    auto set = [&](int k, unsigned word) {
        record[6 + 2 * k] = static_cast<uint8_t>(word);
        record[7 + 2 * k] = static_cast<uint8_t>(word >> 8);
    };
    set(0, 31 | 16 << 5 | 16 << 10);           // grey 248
    set(1, 10 | 31 << 5 | 11 << 10);           // y 80, pr 120, pb -40
    set(2, 0x8000 | 31 | 31 << 5 | 16 << 10);  // R overflows to 255; bit 15 ignored
    set(3, 0 | 16 << 5 | 0 << 10);             // B below 0 becomes 0
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> fb{fb_create(nullptr, nullptr),
                                                             fb_destroy};
    auto entry = [&](int k) {
        const fb_entry &e = fb->palette[k];
        return std::vector<int>{e[0], e[1], e[2], e[3]};
    };

    std::vector<uint8_t> wrong = record;
    wrong[5] = 0xAA;
    fb_set_palette(fb.get(), wrong.data(), wrong.size());
    fb_set_palette(fb.get(), record.data(), record.size() - 1);
    EXPECT_EQ(entry(511), (std::vector<int>{255, 255, 255, 255}));  // still the default

    fb_set_palette(fb.get(), record.data(), record.size());
    EXPECT_EQ(entry(0), (std::vector<int>{248, 248, 248, 248}));
    EXPECT_EQ(entry(1), (std::vector<int>{248, 8, 9, 80}));
    EXPECT_EQ(entry(2), (std::vector<int>{255, 162, 248, 248}));
    EXPECT_EQ(entry(3), (std::vector<int>{0, 44, 0, 0}));
    EXPECT_EQ(entry(511), (std::vector<int>{0, 135, 0, 0}));  // word 0: pr = pb = -128
}
