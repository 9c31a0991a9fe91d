#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/temp_dir.h"

#include "core/file_util.h"
#include "tests/device/emulator_fixture.h"

using Dispatch = EmulatorTest;

TEST_F(Dispatch, ResetHoldsThenReleasesTheConsole) {
    int ok = -1;
    EXPECT_EQ(run({"reset"}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(board->control_writes(), (std::vector<uint8_t>{0x00, 0x01}));
    EXPECT_TRUE(log.text().empty());
}

TEST_F(Dispatch, ResetOnSilentBoardReportsFailureThroughTheOutcome) {
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    int ok = -1;
    EXPECT_EQ(run({"reset"}, &ok), 0);  // the row's status is 0 whatever happened
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "timeout$\n");
}

TEST_F(Dispatch, CommandNamesMatchInFull) {
    EXPECT_EQ(run({"dum", "rom", "x"}), 2);
    EXPECT_EQ(run({"resetx"}), 2);
    EXPECT_TRUE(log.writes.empty());
    EXPECT_NE(device_command_find("colortable"), nullptr);
}

TEST_F(Dispatch, PortIsTheEntryAfterTheArgumentsAndLaterEntriesAreIgnored) {
    EXPECT_EQ(run_raw({"reset", board->port_path(), "500000", "extra"}), 0);
    EXPECT_EQ(board->control_writes().size(), 2u);
}

// The default is chosen without opening it: a test never touches the
// machine's real serial ports.
TEST(DispatchPort, EntryAfterTheArgumentsOrTheDefault) {
    const device_command *save_dn = device_command_find("save_dn");
    ASSERT_NE(save_dn, nullptr);
    const char *with_port[] = {"", "save_dn", "1", "f.sav", "/dev/pts/9", "500000"};
    const char *without[] = {"", "save_dn", "1", "f.sav"};
    EXPECT_STREQ(device_port_name(save_dn, 6, with_port), "/dev/pts/9");
    EXPECT_STREQ(device_port_name(save_dn, 5, with_port), "/dev/pts/9");
    EXPECT_STREQ(device_port_name(save_dn, 4, without), DEVICE_DEFAULT_PORT);
    EXPECT_STREQ(DEVICE_DEFAULT_PORT, "COM3");
}

TEST_F(Dispatch, UnopenablePort) {
    int ok = -1;
    EXPECT_EQ(run_raw({"reset", "/dev/does-not-exist"}, &ok), 1);
    EXPECT_EQ(log.text(),
              "error opening serial port\n"
              "/dev/does-not-exist: no such port (`vmk ports` lists the serial ports)\n");
}

TEST_F(Dispatch, PortHeldByAnotherProgramIsSaidToBeInUse) {
    int fd = open(board->port_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    // The holder is this test program, found through the real /proc.
    serial_system_roots roots = serial_tree.roots;
    roots.proc = "/proc";
    serial_system_roots_use(roots);
    EXPECT_EQ(run_raw({"reset", board->port_path()}), 1);
    std::string self;
    ASSERT_TRUE(std::getline(std::ifstream("/proc/self/comm"), self));
    EXPECT_EQ(log.text(), "error opening serial port\n" + board->port_path() + ": in use by " + self +
                              " (pid " + std::to_string(getpid()) + ")\n");
    close(fd);
}

TEST_F(Dispatch, FileThatIsNoPortIsSaidToBeNone) {
    temp_dir dir;
    std::string path = dir.path("plain");
    FILE *f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(run_raw({"reset", path}), 1);
    EXPECT_EQ(log.text(), "error opening serial port\n" + path + ": not a serial port\n");
}

TEST_F(Dispatch, TooFewArgumentsFailWithoutOpeningThePort) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_raw({"save_up", "1"}), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("c >= h->argnum"), std::string::npos);
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(Dispatch, ArgumentChecksRefuseBeforeTouchingTheBoard) {
    struct {
        std::vector<std::string> args;
        int status;
        const char *text;
    } cases[] = {
        {{"save_up", "4", "f"}, 1, "invalid page number\n"},
        {{"save_dn", "-1", "f"}, 1, "invalid page number\n"},
        {{"save_dn", "x", "f"}, 1, "invalid page number\n"},
        {{"memorybase", "Down", "f"}, 1, "up or down\n"},
        {{"dump", "rum", "f"}, 0, "unknown map, map is defined:\n rom romram sf2 memorybase\n"},
        {{"gpram_dn", "2000", "1000", "f"}, 1, "address or length error: val % 0x2000 != 0\n"},
        {{"gpram_dn", "1000", "2000", "f"}, 1, "address or length error: val % 0x2000 != 0\n"},
        {{"gpram_dn", "7E000", "4000", "f"}, 1, "address range error: address > 0x80000\n"},
        {{"gpram_dn", "0xFFFFE000", "4000", "f"}, 1, "address range error: address > 0x80000\n"},
        {{"upimg", "GPRAM", "rom", "f"}, 1, "destination is gpram or flash\n"},
        {{"upimg", "gpram", "sf2", "f"}, 1, "unknown map, map is defined:\n rom romram\n"},
        {{"program_data", "2FFFF", "f"}, 1, "address range error: address < 0x30000\n"},
    };
    for (auto &c : cases) {
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run(c.args, &ok), c.status) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(ok, 0) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(log.text(), c.text) << c.args[0] << " " << c.args[1];
    }
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(Dispatch, NumbersAreReadWhollyAndCheckedBeforeThePortOpens) {
    // 0x50100 bytes fit nowhere from 0x30000 on.
    std::string big = files.path("big.bin");
    std::vector<uint8_t> data(0x50100, 0x12);
    ASSERT_TRUE(file_write_whole(big.c_str(), data.data(), data.size()));
    const char *const range = "address range error: address > 0x80000\n";
    const char *const flash_range = "program memory out of range\n";
    struct {
        std::vector<std::string> args;
        std::string text;
    } cases[] = {
        // Cut to 32 bits these would read as length 0 and address 0x30000.
        {{"gpram_dn", "0", "100000000", "f"}, range},
        {{"gpram_dn", "100000000", "2000", "f"}, range},
        {{"gpram_dn", "80000", "2000", "f"}, range},
        {{"gpram_dn", "0", "0", "f"}, "length error: length is 0\n"},
        {{"gpram_dn", "zz", "2000", "f"}, "not a hexadecimal number: zz\n"},
        {{"gpram_dn", "0", "2000x", "f"}, "not a hexadecimal number: 2000x\n"},
        {{"gpram_dn", " 2000", "2000", "f"}, "not a hexadecimal number:  2000\n"},
        {{"gpram_dn", "-2000", "2000", "f"}, "not a hexadecimal number: -2000\n"},
        {{"gpram_dn", "0", "", "f"}, "not a hexadecimal number: \n"},
        {{"gpram_dn", "10000000000000000", "2000", "f"},
         "not a hexadecimal number: 10000000000000000\n"},
        {{"program_data", "0x100030000", "f"}, flash_range},
        {{"program_data", "80000", "f"}, flash_range},
        {{"program_data", "30000", big}, flash_range},
        {{"program_data", "3000g", "f"}, "not a hexadecimal number: 3000g\n"},
        {{"program_data", "", "f"}, "not a hexadecimal number: \n"},
        {{"save_up", "1 ", "f"}, "invalid page number\n"},
        {{"save_dn", "+1", "f"}, "invalid page number\n"},
        {{"save_dn", "18446744073709551617", "f"}, "invalid page number\n"},
        {{"save_dn", "0x1", "f"}, "invalid page number\n"},
        {{"adj", "60abc"}, "out of range\n"},
        {{"adj", " 60"}, "out of range\n"},
        {{"adj", "6e1"}, "out of range\n"},
        {{"adj", "60.0.0"}, "out of range\n"},
        {{"adj", "inf"}, "out of range\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " '" + c.args[1] + "'");
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run(c.args, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        // A port that cannot be opened is never reached.
        log.writes.clear();
        std::vector<std::string> unopenable = c.args;
        unopenable.push_back("/dev/does-not-exist");
        EXPECT_EQ(run_raw(unopenable), 1);
        EXPECT_EQ(log.text(), c.text);
    }
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(Dispatch, UsageTextsOfTheTable) {
    struct {
        const char *name;
        int argnum;
        const char *usage;
    } rows[] = {
        {"reset", 0, ""}, {"calb", 0, ""},
        {"save_up", 2, "[page] [imagefile]"}, {"save_dn", 2, "[page] [imagefile]"},
        {"memorybase", 2, "[up|down]"}, {"dump", 2, "[rom|romram|sf2] [romfile]"},
        {"gpram_dn", 3, "[hexaddress] [length] [imagefile]"},
        {"upimg", 3, "[gpram|flash] [rom|romram] [filename]"},
        {"program_data", 2, "[hexaddress] [imagefile]"}, {"program_jic", 1, "[jicfile]"},
        {"program_pac", 1, "[pacfile]"}, {"vceget", 1, "[png file path]"},
        {"adj", 1, "[VSync freq Hz]"}, {"colortable", 1, "(colortable file)"},
    };
    size_t i = 0;
    for (auto &r : rows) {
        const device_command &h = device_commands[i++];
        EXPECT_STREQ(h.name, r.name);
        EXPECT_EQ(h.argnum, r.argnum) << r.name;
        EXPECT_STREQ(h.usage, r.usage) << r.name;
    }
    EXPECT_EQ(device_commands[i].name, nullptr);
}
