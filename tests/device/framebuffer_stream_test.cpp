// The frame read exchange and the active-area search, over streams from a
// buffer (the board emulator's test frames and hand-made ones).
#include "device/framebuffer_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/framebuffer.h"
#include "tests/support/fb_memory_link.h"
#include "tests/support/recording_log.h"
#include "tools/board_emulator/emu_frame.h"

namespace {

class FrameRead : public testing::Test {
protected:
    int read(const std::vector<uint8_t> &stream) {
        bytes = stream;  // the link reads from the fixture's copy
        board = std::make_unique<fb_memory_link>(fb_memory_link{bytes.data(), bytes.size(), 0, {}});
        fb_reset(fb.get());
        const fb_link link = board->link();
        return fb_read_frame(fb.get(), &link, log.sink);
    }

    int read_named(const char *name) { return read(emu_frame_stream(name)); }

    std::vector<uint8_t> bytes;
    std::unique_ptr<fb_memory_link> board;
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> fb{fb_create(nullptr, nullptr),
                                                             fb_destroy};
    recording_log log;
};

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> colour_table() {
    std::vector<uint8_t> out;
    for (int y = 0; y < 2; y++) {
        std::vector<uint16_t> words(257, 0);
        for (int k = 0; k < 256; k++) words[k + 1] = emu_frame_colour_word(256 * y + k);
        out = out + emu_frame_record(emu_frame_encode_line(EMU_LINE_263 | EMU_LINE_DIV2, words));
    }
    return out;
}

// A picture line with picture pixels (colour 1) from start to start + width.
std::vector<uint8_t> picture_line(uint16_t flags, int start, int width) {
    std::vector<uint16_t> pixels(681, FB_EMPTY_PIXEL);
    for (int x = start; x < start + width; x++) pixels[x] = EMU_WHITE;
    return emu_frame_record(emu_frame_encode_line(flags, pixels));
}

}  // namespace

TEST_F(FrameRead, FullFrameEndsByCountWithFlowControlEveryEighthLine) {
    std::vector<uint8_t> stream = emu_frame_stream("rect");
    stream.push_back('@');  // never read: the frame is complete after 263 lines
    ASSERT_EQ(read(stream), 1);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(fb->line_count, 263);
    EXPECT_EQ(board->at, stream.size() - 1);
    std::vector<uint8_t> expected{'F', 0x02};
    expected.insert(expected.end(), 263 / 8, 'B');
    EXPECT_EQ(board->sent, expected);
    EXPECT_EQ(log.ranges, (std::vector<int64_t>{263}));
    EXPECT_EQ(log.stepped, 263);
    // The palette record was taken: white is 8 x 31 on every channel.
    EXPECT_EQ(fb->palette[511][0], 248);
}

TEST_F(FrameRead, EarlyEndCountsTheLinesReceived) {
    ASSERT_EQ(read_named("early"), 1);
    EXPECT_EQ(log.text(), "line count 150\n");
    EXPECT_EQ(fb->line_count, 150);
    EXPECT_EQ(log.stepped, 150);
    EXPECT_EQ(fb->palette[511][0], 255);  // no palette record: the default stays
}

TEST_F(FrameRead, OnlyTheFirst1030ByteRecordIsThePalette) {
    std::vector<uint8_t> second = emu_frame_palette_record();
    second[9] = 0x7F;  // would change entry 1 if taken as a palette
    ASSERT_EQ(read(emu_frame_palette_record() + colour_table() + second), 0);
    EXPECT_EQ(log.text(), "line 2: record of 515 words, expected 2 to 411\n");
    // Entry 1 is still the first record's.
    std::unique_ptr<framebuffer, void (*)(framebuffer *)> reference{fb_create(nullptr, nullptr),
                                                                    fb_destroy};
    std::vector<uint8_t> first = emu_frame_palette_record();
    fb_set_palette(reference.get(), first.data() + 3, first.size() - 3);
    EXPECT_EQ(memcmp(fb->palette[1], reference->palette[1], 4), 0);
}

TEST_F(FrameRead, BrokenStreamsFailWithTheirMessage) {
    struct {
        std::vector<uint8_t> stream;
        const char *message;
    } cases[] = {
        {{}, "timeout%\n"},
        {{'%', 0x10}, "timeout length\n"},
        {emu_frame_stream("cut"), "timeout length\n"},
        {emu_frame_stream("too-large"), "line data is too large\n"},
        {emu_frame_stream("bad-marker"), "208 bad reply%\n"},
        {emu_frame_stream("short-record"), "line 5: record of 1 words, expected 2 to 411\n"},
        {emu_frame_stream("long-record"), "line 5: record of 412 words, expected 2 to 411\n"},
        {emu_frame_stream("div1"), "line 5: pixel clock divider 1 is not supported\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.message);
        log.writes.clear();
        EXPECT_EQ(read(c.stream), 0);
        EXPECT_EQ(log.text(), c.message);
    }
}

using ActiveArea = FrameRead;

TEST_F(ActiveArea, SingleRectangle) {
    ASSERT_EQ(read_named("rect"), 1);
    log.writes.clear();
    ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
    EXPECT_EQ(log.text(), "active area: x:32-287, y:20-259, 256x240 pixel\n");
    EXPECT_EQ(fb->multirect, 0);
    EXPECT_EQ((std::vector<int>{fb->whole.x, fb->whole.y, fb->whole.width, fb->whole.height}),
              (std::vector<int>{0, 2, 681, 261}));
    EXPECT_EQ((std::vector<int>{fb->active.x, fb->active.y, fb->active.width, fb->active.height}),
              (std::vector<int>{32, 20, 256, 240}));
    EXPECT_EQ(fb->lines[19].span_width, 0);
    EXPECT_EQ(fb->lines[20].span_start, 32);
}

TEST_F(ActiveArea, EarlyEndCutsTheRectangleAtTheLastLineReceived) {
    ASSERT_EQ(read_named("early"), 1);
    log.writes.clear();
    ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
    EXPECT_EQ(log.text(), "active area: x:32-287, y:20-149, 256x130 pixel\n");
    EXPECT_EQ(fb->whole.height, 260);  // a 262-line frame
}

TEST_F(ActiveArea, Cases) {
    const uint16_t d2 = EMU_LINE_263 | EMU_LINE_DIV2, d3 = EMU_LINE_263 | EMU_LINE_DIV3;
    struct {
        const char *what;
        std::vector<std::vector<uint8_t>> lines;  // from line 2 on
        int multirect;
        std::vector<int> active;  // x, y, width, height
    } cases[] = {
        {"a divider other than line 0's, spans agreeing",
         {picture_line(d2, 10, 20), picture_line(d3, 10, 20)},
         1,
         {10, 2, 20, 2}},
        {"spans that differ within the run",
         {picture_line(d2, 10, 20), picture_line(d2, 11, 20)},
         1,
         {10, 2, 20, 2}},
        {"a second run below an empty line is ignored",
         {picture_line(d2, 10, 20), picture_line(d2, 0, 0), picture_line(d2, 50, 5)},
         0,
         {10, 2, 20, 1}},
        {"pixel 0 is never picture; a span stops at 1365 / div - 3",
         {picture_line(d2, 0, 681)},
         0,
         {1, 2, 678, 1}},
        {"a divider-3 span stops at 452",
         {picture_line(EMU_LINE_263 | EMU_LINE_DIV2, 0, 0), picture_line(d3, 400, 200)},
         1,
         {400, 3, 52, 1}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> stream = colour_table();
        for (auto &l : c.lines) stream = stream + l;
        stream.push_back('@');
        ASSERT_EQ(read(stream), 1);
        log.writes.clear();
        ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
        EXPECT_EQ(fb->multirect, c.multirect);
        EXPECT_EQ(
            (std::vector<int>{fb->active.x, fb->active.y, fb->active.width, fb->active.height}),
            c.active);
        if (c.multirect) {
            EXPECT_EQ(log.text(), "multirect\n");
        }
    }
}

TEST_F(ActiveArea, NoPictureLeavesTheLastRectangle) {
    ASSERT_EQ(read_named("rect"), 1);
    ASSERT_EQ(fb_find_active_area(fb.get(), log.sink), 1);
    for (std::vector<uint8_t> stream :
         {emu_frame_stream("no-picture"), colour_table() + std::vector<uint8_t>{'@'},
          std::vector<uint8_t>{'@'}}) {
        ASSERT_EQ(read(stream), 1);
        log.writes.clear();
        EXPECT_EQ(fb_find_active_area(fb.get(), log.sink), 0);
        EXPECT_EQ(log.text(), "no picture in this frame\n");
        EXPECT_EQ(fb->active.width, 256);
    }
}
