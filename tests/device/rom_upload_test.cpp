// upimg and program_data over the emulator.
#include <gtest/gtest.h>

#include "device/flash_program.h"
#include "tests/device/flash_fixture.h"

using RomUpload = FlashBoardTest;

namespace {

// How many times a GPRAM bank was selected (writes to port 3).
size_t bank_selects(const std::vector<std::vector<uint8_t>> &headers) {
    size_t n = 0;
    for (const auto &h : headers)
        if (h[0] == 'W' && (h[1] >> 5) == 3) n++;
    return n;
}

}  // namespace

TEST_F(RomUpload, GpramUploadSelectsTheMappingForMapAndSize) {
    struct {
        const char *map;
        size_t size;
        uint8_t control;  // (mapping code * 2) | 0x11
    } cases[] = {
        {"rom", 0x60000, 0x1B},  // 384 KiB: code 5
        {"rom", 0x80000, 0x1D},  // 512 KiB: code 6
        {"rom", 0x2000, 0x19},   // any other size: code 4
        {"rom", 0x40000, 0x19},
        {"romram", 0x40000, 0x15},  // romram: code 2 whatever the size
        {"romram", 0x60000 / 3, 0x15},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::string(c.map) + " " + std::to_string(c.size));
        board->clear_log();
        board->set_gpram(0, std::vector<uint8_t>(0x80000, 0));
        log.writes.clear();
        std::vector<uint8_t> image = pattern(c.size, static_cast<uint8_t>(c.size >> 13));
        std::string file = write_file("x.pce", image);
        int ok = -1;
        EXPECT_EQ(run({"upimg", "gpram", c.map, file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(log.text(), "");
        std::vector<uint8_t> gpram = board->gpram();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), gpram.begin()));
        EXPECT_EQ(bank_selects(board->headers()), c.size / 0x2000);
        EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{c.control});
        EXPECT_EQ(log.ranges.back(), static_cast<int64_t>(c.size));
        EXPECT_EQ(log.stepped, static_cast<int64_t>(c.size));
    }
}

TEST_F(RomUpload, RefusedImagesLeaveTheBoardUntouched) {
    struct {
        const char *dest;
        const char *map;
        long size;  // -1: no file
        const char *text;
    } cases[] = {
        {"gpram", "rom", -1, "error opening image file\n"},
        {"gpram", "rom", 0, "error opening image file\n"},
        {"gpram", "romram", 0x50000,
         "image file size is too large\nlimit 0x40000 byte, imagesize 0x50000 byte\n"},
        {"gpram", "rom", 0x82000,
         "image file size is too large\nlimit 0x80000 byte, imagesize 0x82000 byte\n"},
        {"flash", "rom", 0x42000,
         "image file size is too large\nlimit 0x40000 byte, imagesize 0x42000 byte\n"},
        {"flash", "romram", 0x60000,
         "image file size is too large\nlimit 0x40000 byte, imagesize 0x60000 byte\n"},
        {"gpram", "rom", 0x2100, "image file size is not 0x2000 * n\n"},
        {"flash", "rom", 0x1FFF, "image file size is not 0x2000 * n\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::string(c.dest) + " " + c.map + " " + std::to_string(c.size));
        log.writes.clear();
        std::string file = files.path("missing.pce");
        if (c.size >= 0) file = write_file("x.pce", pattern(static_cast<size_t>(c.size)));
        int ok = -1;
        EXPECT_EQ(run({"upimg", c.dest, c.map, file}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_TRUE(board->headers().empty());
        EXPECT_TRUE(flash->programmed_pages().empty());
    }
}

TEST_F(RomUpload, GpramUploadThatBreaksOffSelectsNoMapping) {
    struct {
        long ack_limit;
        bool silent;
        const char *text;
    } cases[] = {
        {-1, true, "timeout$\n"}, {100, false, "timeout#\n"},  // three banks in, inside the fourth
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.text);
        start_flash_board({});  // a board left mid-command would misread the next one
        log.writes.clear();
        emu_faults f;
        f.silent = c.silent;
        f.ack_limit = c.ack_limit;
        board->set_faults(f);
        std::string file = write_file("x.pce", pattern(0x60000));
        int ok = -1;
        EXPECT_EQ(run({"upimg", "gpram", "rom", file}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_TRUE(board->control_writes().empty());
    }
}

TEST_F(RomUpload, FlashUploadProgramsFromThe192KiBMarkAndWritesTheRecord) {
    struct {
        const char *map;
        size_t size;
        uint8_t record[2];
    } cases[] = {
        {"rom", 0x40000, {0x04, 0x20}},
        {"romram", 0x4000, {0x02, 0x02}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.map);
        log.writes.clear();
        flash->clear_log();
        std::vector<uint8_t> image = pattern(c.size, 9);
        std::string file = write_file("x.pce", image);
        int ok = -1;
        EXPECT_EQ(run({"upimg", "flash", c.map, file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(log.text(), "programming is done. Turn on the power again\n");
        EXPECT_EQ(flash->programmed_pages(), pages_from(0x30000, c.size / 256));
        EXPECT_EQ(flash_bytes(0x30000, c.size), image);
        std::vector<uint8_t> bkram = board->bkram();
        EXPECT_EQ(bkram[0x1860], c.record[0]);
        EXPECT_EQ(bkram[0x1861], c.record[1]);
        EXPECT_EQ(log.ranges.back(), static_cast<int64_t>(c.size));
    }
}

TEST_F(RomUpload, FlashUploadSkipsBlankPagesAndStopsBeforeTheRecordOnAFailedPage) {
    std::vector<uint8_t> image = pattern(0x2000);
    std::fill(image.begin() + 0x100, image.begin() + 0x1F00,
              0xFF);  // only first and last page carry data
    std::string file = write_file("x.pce", image);
    EXPECT_EQ(run({"upimg", "flash", "rom", file}), 0);
    EXPECT_EQ(flash->programmed_pages(), (std::vector<uint32_t>{0x30000, 0x31F00}));
    EXPECT_EQ(log.ranges.back(), 512);

    struct {
        bool silent;
        const char *last;
    } faults[] = {{true, "programming timeout\n"}, {false, "programming bad reply\n"}};
    for (auto &fault : faults) {
        SCOPED_TRACE(fault.last);
        start_flash_board({});
        log.writes.clear();
        if (fault.silent)
            flash->go_silent_after(3);
        else
            flash->bad_reply_after(3, 0x21);
        int ok = -1;
        EXPECT_EQ(run({"upimg", "flash", "rom", write_file("y.pce", pattern(0x4000))}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), fault.last);
        EXPECT_EQ(board->bkram()[0x1860], 0xFF);  // no record for a half-programmed image
    }
}

TEST_F(RomUpload, ProgramDataPadsTheLastPageAndHonoursTheFlashEnd) {
    struct {
        const char *address;
        size_t size;
        std::vector<uint32_t> pages;
        const char *text;
    } cases[] = {
        // 300 bytes: two pages, the second ending in 212 bytes of 0xFF.
        {"30000", 300, {0x30000, 0x30100}, ""},
        {"0x40000", 256, {0x40000}, ""},
        // start + bytes sent must stay within 0x7FFFF.
        {"7FD00", 512, {0x7FD00, 0x7FE00}, ""},
        {"7FE00", 512, {}, "program memory out of range\n"},
        {"7FF00", 256, {}, "program memory out of range\n"},
        // The page command carries address bits 8-23 only.
        {"30080", 300, {}, "program address is not a multiple of 0x100\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + std::to_string(c.size));
        log.writes.clear();
        flash->clear_log();
        std::vector<uint8_t> data = pattern(c.size, 3);
        int ok = -1;
        EXPECT_EQ(run({"program_data", c.address, write_file("d.bin", data)}, &ok), 0);
        EXPECT_EQ(ok, c.pages.empty() ? 0 : 1);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_EQ(flash->programmed_pages(), c.pages);
    }
    std::vector<uint8_t> expected = pattern(300, 3);
    expected.resize(512, 0xFF);
    EXPECT_EQ(flash_bytes(0x30000, 512), expected);
}

TEST_F(RomUpload, ProgrammingNeverSendsADataPageBeyondTheFlash) {
    // Only the last page carries data: start + bytes sent is small, but that
    // page would land at 0x8FF00. program_data refuses such a file before the
    // port opens; the programming itself must refuse it as well.
    std::vector<uint8_t> data(0x20000, 0xFF);
    data[0x1FF00] = 0x12;
    serial_port *port = serial_open(log.sink, board->port_path().c_str(), 500000, 0, 8);
    ASSERT_NE(port, nullptr);
    device_context ctx{port, log.sink, nullptr, 0, nullptr};
    EXPECT_EQ(program_region(&ctx, 0x70000, data.data(), static_cast<int64_t>(data.size())), 0);
    serial_close(port);
    EXPECT_EQ(log.text(), "program memory out of range\n");
    EXPECT_TRUE(flash->programmed_pages().empty());
}

TEST_F(RomUpload, ProgramDataWithoutAFileOrABoard) {
    int ok = -1;
    EXPECT_EQ(run({"program_data", "30000", files.path("none.bin")}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "error opening file\n");
    EXPECT_EQ(run({"program_data", "30000", write_file("e.bin", {})}, &ok), 0);
    EXPECT_EQ(log.text(), "error opening file\nerror opening file\n");

    log.writes.clear();
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    EXPECT_EQ(run({"program_data", "30000", write_file("d.bin", pattern(256))}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "timeout$\n");
}
