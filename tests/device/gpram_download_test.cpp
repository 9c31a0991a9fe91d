// gpram_dn: a range of GPRAM banks read back into a file.
#include <gtest/gtest.h>

#include "tests/device/console_bus_fixture.h"

namespace {

class GpramDownload : public ConsoleBusTest {
protected:
    void SetUp() override {
        ConsoleBusTest::SetUp();
        gpram = make_rom(0x80000, 11);  // every bank starts with its number
        board->set_gpram(0, gpram);
    }
    bytes gpram;
};

}  // namespace

TEST_F(GpramDownload, SavesTheRangeAndReleasesTheConsole) {
    struct {
        const char *address, *length;
        size_t from, size;
    } cases[] = {
        {"78000", "8000", 0x78000, 0x8000},  // ends exactly at 0x80000: banks 0x3C..0x3F
        {"0x2000", "2000", 0x2000, 0x2000},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.address);
        board->clear_log();
        log.writes.clear();
        std::string file = path(std::string(c.address) + ".bin");
        int ok = -1;
        EXPECT_EQ(run({"gpram_dn", c.address, c.length, file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_TRUE(file_exists(file));
        EXPECT_EQ(read_file(file), bytes(gpram.begin() + c.from, gpram.begin() + c.from + c.size));
        EXPECT_EQ(log.text(), file + " has been saved\n");
        EXPECT_EQ(board->control_writes(), bytes{0x01});
        EXPECT_EQ(log.ranges.back(), static_cast<int64_t>(c.size));
        EXPECT_EQ(log.stepped, static_cast<int64_t>(c.size));
    }
}

TEST_F(GpramDownload, Failures) {
    struct {
        const char *what;
        long stop_after;  // board's data bytes before it stops; -1 never
        std::string file;
        std::string text;
    } cases[] = {
        {"file cannot be written", -1, path("missing/g.bin"),
         path("missing/g.bin") + " - save error\n"},
        {"board stops in the second bank", 0x2000 + 100, path("g.bin"),
         "serial port communication error\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        emu_faults f;
        f.stop_after_bytes = c.stop_after;
        board->set_faults(f);
        board->clear_log();
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"gpram_dn", "0", "4000", c.file}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_FALSE(file_exists(c.file));
        EXPECT_EQ(board->control_writes(), bytes{0x01});
    }
}
