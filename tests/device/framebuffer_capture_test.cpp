// vceget end to end over the board emulator: the dispatcher as the command
// line and the window call it, and the vmk binary itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "device/framebuffer.h"
#include "tests/device/emulator_fixture.h"
#include "tests/device/png_read.h"
#include "tests/support/file_size_limit.h"
#include "tools/board_emulator/emu_frame.h"

namespace {

class FrameCapture : public EmulatorTest {
protected:
    void SetUp() override {}  // each test serves its own frame

    void serve(const char *name) {
        board = std::make_unique<board_emulator>();
        flow = emu_frame_serve(*board, emu_frame_stream(name));
        ASSERT_TRUE(board->start());
    }

    std::vector<std::string> files_written() {
        std::vector<std::string> found;
        for (auto &e : std::filesystem::directory_iterator(files.dir))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    std::shared_ptr<emu_frame_log> flow;
};

int count_lines(void *context, int, const uint16_t *, const fb_entry *, int count) {
    static_cast<std::vector<int> *>(context)->push_back(count);
    return 0;
}

}  // namespace

TEST_F(FrameCapture, WritesThePictureAndItsSpritePlane) {
    serve("rect");
    std::string path = files.path("shot.png");
    int ok = -1;
    EXPECT_EQ(run({"vceget", path}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(),
              "active area: x:32-287, y:20-259, 256x240 pixel\n" + path + " has been saved\n");
    EXPECT_EQ(flow->flow_bytes, 263 / 8);
    EXPECT_EQ(flow->bad_flow, 0);
    EXPECT_EQ(files_written(), (std::vector<std::string>{"shot.png", "shot_obj.png"}));

    png_contents picture = png_load(path);
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 256);
    EXPECT_EQ(picture.height, 240);
    const uint8_t *white = picture.rows[0].data();
    EXPECT_EQ((std::vector<int>{white[0], white[1], white[2], white[3]}),
              (std::vector<int>{248, 248, 248, 255}));
    png_contents sprite = png_load(files.path("shot_obj.png"));
    ASSERT_TRUE(sprite.ok);
    EXPECT_EQ(sprite.rows[112][120], EMU_SPRITE_INNER - 256);
}

TEST_F(FrameCapture, WindowStoreReceivesEveryLine) {
    serve("rect");
    std::vector<int> counts;
    framebuffer *fb = fb_create(&counts, count_lines);
    std::string path = files.path("0000.png");
    const char *v[] = {"", "vceget", path.c_str(), board->port_path().c_str(), "500000"};
    int ok = -1;
    EXPECT_EQ(device_dispatch(log.sink, fb, 5, v, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(fb->line_count, 263);
    EXPECT_EQ(fb->active.width, 256);
    ASSERT_EQ(counts.size(), 263u);
    EXPECT_EQ(counts[0], -3);
    EXPECT_EQ(counts[1], -3);
    EXPECT_EQ(counts[2], 677);
    EXPECT_EQ(log.stepped, 263);
    fb_destroy(fb);
}

TEST_F(FrameCapture, FailuresWriteNoFile) {
    struct {
        const char *frame;  // nullptr: a board that never answers
        const char *message;
    } cases[] = {
        {nullptr, "timeout%\n"},
        {"cut", "timeout length\n"},  // stops mid-record
        {"too-large", "line data is too large\n"},
        {"no-picture", "no picture in this frame\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.message);
        serve(c.frame ? c.frame : "rect");
        if (c.frame == nullptr) {
            emu_faults silent;
            silent.silent = true;
            board->set_faults(silent);
        }
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"vceget", files.path("shot.png")}, &ok),
                  0);  // the row's status is 0 regardless
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.message);
        EXPECT_TRUE(files_written().empty());
    }
}

// A picture that cannot be written whole (the disk fills) keeps the pair
// saved before under the same name, and leaves nothing else behind.
TEST_F(FrameCapture, FailedWriteKeepsThePreviousPictures) {
    serve("rect");
    for (const char *name : {"shot.png", "shot_obj.png"}) {
        FILE *f = fopen(files.path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fputs(name, f);
        fclose(f);
    }
    int ok = -1;
    {
        file_size_limit full(64);
        EXPECT_EQ(run({"vceget", files.path("shot.png")}, &ok), 0);
    }
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(files_written(), (std::vector<std::string>{"shot.png", "shot_obj.png"}));
    for (const char *name : {"shot.png", "shot_obj.png"}) {
        std::ifstream f(files.path(name), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, name);
    }
    EXPECT_NE(log.text().find(files.path("shot.png") + ": "), std::string::npos) << log.text();
}

// Past the sprite plane's name limit only the picture is written; its saved
// line carries the whole name and ends its line.
TEST_F(FrameCapture, LongNameIsLoggedWhole) {
    serve("rect");
    std::string path = files.path(std::string(150, 'p') + ".png");
    int ok = -1;
    EXPECT_EQ(run({"vceget", path}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(),
              "active area: x:32-287, y:20-259, 256x240 pixel\n" + path + " has been saved\n");
}

TEST_F(FrameCapture, CommandLine) {
    serve("rect");
    std::string command = "cd " + files.dir + " && " VMK_BINARY " device vceget shot.png " +
                          board->port_path() + " 2>/dev/null";
    FILE *p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    std::array<char, 512> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) out.append(buffer.data(), n);
    int raw = pclose(p);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_EQ(out, "active area: x:32-287, y:20-259, 256x240 pixel\nshot.png has been saved\n");
    EXPECT_TRUE(png_load(files.path("shot.png")).ok);
    EXPECT_TRUE(png_load(files.path("shot_obj.png")).ok);
}
