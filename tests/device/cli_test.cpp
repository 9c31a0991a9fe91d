// The vmk binary as a shell user runs it: output and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tools/board_emulator/board_emulator.h"

namespace {

command_result vmk(const std::string &args) { return run_command(std::string(VMK_BINARY) + " " + args); }

// Standard error too, after standard output.
command_result vmk_with_errors(const std::string &args) {
    return run_command("{ " + std::string(VMK_BINARY) + " " + args + " 2>&1; }");
}

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
        // The page is refused before the port is opened.
        {"device save_up 9 f /dev/does-not-exist", 1, "invalid page number\n"},
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

// Options may stand before or after the port; an unknown option of either
// half, or a surplus card argument, is refused with the usage before anything
// is touched.
TEST(VmkCli, UnknownOptionsAndSurplusArgumentsAreRefusedUntouched) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    const std::string port = board.port_path();
    struct {
        std::string args;
        std::string usage;
    } cases[] = {
        {"device dump rom x.pce " + port + " --dat", "usage: vmk device dump"},
        {"device dump rom x.pce " + port + " --bogus", "usage: vmk device dump"},
        {"device reset " + port + " --verify", "usage: vmk device reset"},
        {"device reset " + port + " 500000 --verify", "usage: vmk device reset"},
        {"card format /nonexistent.img --json", "usage: vmk card format"},
        {"card subswap /nonexistent.img extra", "usage: vmk card subswap"},
        {"card mmchash /nonexistent.img 1 2", "usage: vmk card mmchash"},
    };
    for (auto &c : cases) {
        command_result r = vmk_with_errors(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.out.find(c.usage), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_TRUE(board.headers().empty());
    EXPECT_TRUE(board.control_writes().empty());
    // Before or after the port alike: reset takes no options, but the order is free.
    EXPECT_EQ(vmk("device reset " + port).status, 0);
}

// Entries after the port name are ignored: the window and existing scripts
// pass the speed there.
TEST(VmkCli, DeviceCommandsIgnoreEntriesAfterThePort) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    temp_dir files;
    const std::string port = board.port_path();
    const std::string save = files.path("page.sav");
    struct {
        std::string args;
        std::string out;
    } cases[] = {
        {"device reset " + port + " 500000", ""},
        {"device reset " + port + " 500000 more", ""},
        {"device save_dn 1 " + save + " " + port + " 500000", save + " has been saved\n"},
    };
    for (auto &c : cases) {
        command_result r = vmk_with_errors(c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    EXPECT_EQ(std::filesystem::file_size(save), 0x800u);
}

TEST(VmkCli, DatCheckOfAFileOnDisk) {
    command_result usage = vmk_with_errors("dat check");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.out.find("usage: vmk dat check <file>... --dat <dat file>"), std::string::npos);
    EXPECT_EQ(vmk("dat check /nonexistent.pce --dat /nonexistent.dat --bogus").status, 2);
    command_result missing = vmk("dat check /nonexistent.pce --dat /nonexistent.dat");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "/nonexistent.pce: cannot be read\n");
}
