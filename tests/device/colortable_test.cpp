// colortable over the emulator: the table goes to flash 0x60000 behind its
// header; no file clears the header.
#include <gtest/gtest.h>

#include "tests/device/flash_fixture.h"

namespace {

std::vector<uint8_t> record_of(const std::vector<uint8_t> &table) {
    std::vector<uint8_t> r = {'P', 'b', 'P', 'r', 'Y', 0xA9};
    r.insert(r.end(), table.begin(), table.end());
    return r;
}

}  // namespace

using ColorTable = FlashBoardTest;

TEST_F(ColorTable, TableIsProgrammedBehindItsHeaderAndClearedWithoutAFile) {
    std::vector<uint8_t> table = pattern(0x400, 11);
    int ok = -1;
    EXPECT_EQ(run({"colortable", write_file("c.bin", table)}, &ok),
              0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(), "Turn on the power again.\n");
    // 1030 bytes: five pages, the last one 6 bytes of data then 0xFF.
    EXPECT_EQ(flash->programmed_pages(), pages_from(0x60000, 5));
    std::vector<uint8_t> expected = record_of(table);
    expected.resize(5 * 256, 0xFF);
    EXPECT_EQ(flash_bytes(0x60000, 5 * 256), expected);
    EXPECT_TRUE(board->control_writes().empty());  // the console is not held in reset

    for (const char *name : {"none.bin", "empty.bin"}) {
        SCOPED_TRACE(name);
        std::string file = files.path(name);
        if (std::string(name) == "empty.bin") file = write_file(name, {});
        log.writes.clear();
        flash->clear_log();
        EXPECT_EQ(run({"colortable", file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(log.text(), "Turn on the power again.\n");
        EXPECT_EQ(flash->programmed_pages(), std::vector<uint32_t>{0x60000});
        EXPECT_EQ(flash_bytes(0x60000, 256), std::vector<uint8_t>(256, 0xFF));
    }
}

TEST_F(ColorTable, WrongSizesProgramNothing) {
    for (size_t size : {size_t{1023}, size_t{1025}, size_t{1}}) {
        SCOPED_TRACE(size);
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"colortable", write_file("c.bin", pattern(size))}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), "file size is not 0x400 bytes\n");
    }
    EXPECT_TRUE(flash->programmed_pages().empty());
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(ColorTable, FailingPageIsTheLastLine) {
    flash->bad_reply_after(2, 0x00);
    int ok = -1;
    EXPECT_EQ(run({"colortable", write_file("c.bin", pattern(0x400))}, &ok), 1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "programming bad reply\n");
    EXPECT_EQ(flash->programmed_pages().size(), 3u);
}
