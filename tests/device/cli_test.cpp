// The vmk binary as a shell user runs it: output and exit status.
#include <gtest/gtest.h>
#include <string>

#include "tests/support/child_process.h"
#include "tools/board_emulator/board_emulator.h"

namespace {

command_result vmk(const std::string &args) { return run_command(std::string(VMK_BINARY) + " " + args); }

}  // namespace

TEST(VmkCli, ResetOverTheEmulatorPrintsNothingAndSucceeds) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    command_result r = vmk("device reset " + board.port_path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(board.control_writes(), (std::vector<uint8_t>{0x00, 0x01}));
}

TEST(VmkCli, ExitStatusTellsTheOutcome) {
    struct {
        const char *args;
        int status;
        const char *out;
    } cases[] = {
        {"device reset /dev/does-not-exist", 1,
         "error opening serial port\n"
         "/dev/does-not-exist: no such port (`vmk ports` lists the serial ports)\n"},
        {"device dum", 2, ""},
        {"device save_up 1", 2, ""},  // too few arguments: usage on stderr
        {"device save_up 9 f /dev/does-not-exist", 1,
         "error opening serial port\n"
         "/dev/does-not-exist: no such port (`vmk ports` lists the serial ports)\n"},
        {"bogus", 2, ""},
    };
    for (auto &c : cases) {
        command_result r = vmk(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(VmkCli, ArgumentRefusalOnSilentRowsExitsOne) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    // dump answers status 0 for an unknown map; the shell must still see a failure.
    command_result r = vmk("device dump rum f " + board.port_path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "unknown map, map is defined:\n rom romram sf2 memorybase\n");
}

TEST(VmkCli, HelpListsTheDeviceTable) {
    command_result r = vmk("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("gpram_dn       [hexaddress] [length] [imagefile]"), std::string::npos);
}
