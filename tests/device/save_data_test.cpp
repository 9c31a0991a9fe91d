// save_up, save_dn and memorybase up over the emulated board and console.
#include <gtest/gtest.h>

#include "tests/device/console_bus_fixture.h"

namespace {

using requests = std::vector<std::pair<uint8_t, uint8_t>>;

const char NOT_FOUND[] =
    "Memory base is not found. Please connect following chain [PCE = MB (= MULTITAP) = PAD].\n"
    "メモリーベースが見つかりません. PCE = MB (= MULTITAP) = PAD の順番に接続してください.\n";

bytes page_of(const bytes &bkram, int page) {
    return bytes(bkram.begin() + page * 0x800, bkram.begin() + (page + 1) * 0x800);
}

}  // namespace

using SaveData = ConsoleBusTest;
using MemoryBaseUpload = ConsoleBusTest;

TEST_F(SaveData, UploadWritesTheWholePageAndReleasesTheConsole) {
    for (int page : {0, 3}) {
        SCOPED_TRACE(page);
        bytes data = make_rom(0x800, static_cast<uint32_t>(page) + 5);
        std::string file = path("page.sav");
        write_file(file, data);
        board->clear_log();
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"save_up", std::to_string(page), file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(page_of(board->bkram(), page), data);
        EXPECT_EQ(log.text(), file + " is uploaded\n");
        EXPECT_EQ(board->control_writes(), bytes{0x01});
        EXPECT_EQ(log.ranges.back(), 0x800);
        EXPECT_EQ(log.stepped, 0x800);
    }
}

TEST_F(SaveData, UploadRefusesFilesOtherThan2048BytesBeforeTouchingTheBoard) {
    struct {
        long size;  // -1: no file
        const char *text;
    } cases[] = {
        {-1, "error opening savedata file\n"},
        {0, "savedata file size is not 0x800 bytes\n"},
        {2047, "savedata file size is not 0x800 bytes\n"},
        {2049, "savedata file size is not 0x800 bytes\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.size);
        std::string file = path("f" + std::to_string(c.size) + ".sav");
        if (c.size >= 0) write_file(file, bytes(static_cast<size_t>(c.size), 0x5A));
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"save_up", "1", file}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
    }
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(SaveData, UploadRejectedByTheBoardStillTriesToReleaseTheConsole) {
    std::string file = path("page.sav");
    write_file(file, bytes(0x800, 1));
    emu_faults f;
    f.bad_header_reply = 'X';
    board->set_faults(f);
    int ok = -1;
    EXPECT_EQ(run({"save_up", "0", file}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "bad reply$ = 'X'\nserial port communication error\nbad reply$ = 'X'\n");
    EXPECT_EQ(board->headers().size(), 2u);  // the page write, then the release
}

TEST_F(SaveData, DownloadSavesThePageAndReleasesTheConsole) {
    bytes bkram = make_rom(0x2000, 77);
    board->set_bkram(bkram);
    std::string file = path("backupram1.sav");
    int ok = -1;
    EXPECT_EQ(run({"save_dn", "1", file}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_file(file), page_of(bkram, 1));
    EXPECT_EQ(log.text(), file + " has been saved\n");
    EXPECT_EQ(board->control_writes(), bytes{0x01});
    EXPECT_EQ(log.stepped, 0x800);
}

TEST_F(SaveData, DownloadFailures) {
    struct {
        const char *what;
        long stop_after;  // board's data bytes before it stops; -1 never
        std::string file;
        std::string text;
    } cases[] = {
        {"file cannot be written", -1, path("missing/x.sav"),
         path("missing/x.sav") + " - save error\n"},
        {"board stops mid-page", 1000, path("x.sav"), "serial port communication error\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        emu_faults f;
        f.stop_after_bytes = c.stop_after;
        board->set_faults(f);
        board->clear_log();
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"save_dn", "2", c.file}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_FALSE(file_exists(c.file));
        EXPECT_EQ(board->control_writes(), bytes{0x01});  // released either way
    }
}

TEST_F(MemoryBaseUpload, WritesTheImageThroughGpramBanks8To23) {
    bus.attach_memorybase(bytes(0x20000, 0));
    bytes image = make_rom(0x20000, 3);
    std::string file = path("mb128.bin");
    write_file(file, image);
    int ok = -1;
    EXPECT_EQ(run({"memorybase", "up", file}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(), "Memory Base is found\nwriting ...ok\n");
    EXPECT_EQ(bus.memorybase(), image);
    bytes gpram = board->gpram();
    EXPECT_EQ(bytes(gpram.begin() + 0x10000, gpram.begin() + 0x30000), image);
    EXPECT_EQ(board->bus_requests(), (requests{{0x81, 0}, {0x82, 0}}));
    EXPECT_EQ(board->control_writes(), (bytes{0x01, 0x11}));  // released, then map 0
    EXPECT_EQ(log.ranges, (std::vector<int64_t>{256, 0x20000, 256}));
}

// The write takes longer than the normal idle limit of 1500 empty polls; the
// host waits up to 6000 for it.
TEST_F(MemoryBaseUpload, SlowMemoryBaseWriteIsWaitedFor) {
    bus.attach_memorybase(bytes(0x20000, 0));
    bus.set_memorybase_write_ms(3000);
    bytes image = make_rom(0x20000, 4);
    std::string file = path("mb128.bin");
    write_file(file, image);
    int ok = -1;
    EXPECT_EQ(run({"memorybase", "up", file}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(), "Memory Base is found\nwriting ...ok\n");
    EXPECT_EQ(bus.memorybase(), image);
}

TEST_F(MemoryBaseUpload, Refusals) {
    struct {
        const char *what;
        long size;  // -1: no file
        bool card, memorybase;
        std::string text;
        requests bus;
        bytes control;
    } cases[] = {
        {"no file", -1, false, true, "error opening image file\n", {}, {}},
        {"empty file", 0, false, true, "error opening image file\n", {}, {}},
        {"short file", 0x1FFFF, false, true, "image file size is not 131,072 bytes\n", {}, {}},
        {"long file", 0x20001, false, true, "image file size is not 131,072 bytes\n", {}, {}},
        {"HuCard in the slot", 0x20000, true, true, "remove a HuCard\n", {}, {}},
        {"no Memory Base", 0x20000, false, false, NOT_FOUND, {{0x81, 0}}, {0x11}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = path(std::string(c.what) + ".bin");
        if (c.size >= 0) write_file(file, bytes(static_cast<size_t>(c.size), 0x33));
        if (c.card)
            bus.insert_card(make_rom(0x2000));
        else
            bus.remove_card();
        if (c.memorybase)
            bus.attach_memorybase(bytes(0x20000, 0xEE));
        else
            bus.detach_memorybase();
        board->clear_log();
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"memorybase", "up", file}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_EQ(board->bus_requests(), c.bus);
        EXPECT_EQ(board->control_writes(), c.control);
        EXPECT_EQ(bus.memorybase(), bytes(0x20000, 0xEE));
    }
}

TEST_F(MemoryBaseUpload, GpramUploadRejectedLeavesTheMapAlone) {
    emu_faults f;
    f.bad_header_reply = 'X';
    boot_failing_at(0x81, true, f);  // the signature goes out, the next header fails
    bus.attach_memorybase(bytes(0x20000, 0));
    std::string file = path("mb128.bin");
    write_file(file, make_rom(0x20000));
    int ok = -1;
    EXPECT_EQ(run({"memorybase", "up", file}, &ok), 1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(),
              "Memory Base is found\nbad reply$ = 'X'\nerror on uploading into GPRAM\n");
    EXPECT_EQ(board->bus_requests(), (requests{{0x81, 0}}));
}

TEST_F(MemoryBaseUpload, MemoryBaseWriteUnansweredStillSelectsMap0) {
    emu_faults f;
    f.bus_response_missing = 1;
    boot_failing_at(0x82, false, f);
    bus.attach_memorybase(bytes(0x20000, 0));
    std::string file = path("mb128.bin");
    write_file(file, make_rom(0x20000));
    int ok = -1;
    EXPECT_EQ(run({"memorybase", "up", file}, &ok), 1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(),
              "Memory Base is found\nwriting ...6280 response timeout\nserial port communication "
              "error\n");
    EXPECT_EQ(board->control_writes(), (bytes{0x01, 0x11}));
}
