#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

#include "tests/support/temp_dir.h"

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

TEST_F(Dispatch, DefaultPortAndUnopenablePort) {
    // With no port entry the default COM3 (/dev/ttyS2) is used; it is not our
    // emulator, so the board sees nothing.
    int ok = -1;
    run_raw({"reset"}, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(board->control_writes().empty());
    EXPECT_EQ(log.text().rfind("error opening serial port\n"
                               "no port was given: the default COM3 (/dev/ttyS2) was tried\n"
                               "/dev/ttyS2: ",
                               0),
              0u)
        << log.text();
    log.writes.clear();
    EXPECT_EQ(run_raw({"reset", "/dev/does-not-exist"}, &ok), 1);
    EXPECT_EQ(log.text(),
              "error opening serial port\n"
              "/dev/does-not-exist: no such port (`vmk ports` lists the serial ports)\n");
}

TEST_F(Dispatch, PortHeldByAnotherProgramIsSaidToBeInUse) {
    int fd = open(board->port_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run_raw({"reset", board->port_path()}), 1);
    EXPECT_EQ(log.text(), "error opening serial port\n" + board->port_path() +
                              ": in use by another program\n");
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
        {{"upimg", "gpram", "sf2", "f"}, 0, "unknown map, map is defined:\n rom romram\n"},
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
