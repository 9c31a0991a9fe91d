// The vmk binary as a shell user runs it: output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "tools/board_emulator/board_emulator.h"

namespace {

struct result {
    std::string out;
    int status;
};

result vmk(const std::string &args) {
    std::string command = std::string(VMK_BINARY) + " " + args + " 2>/dev/null";
    FILE *p = popen(command.c_str(), "r");
    result r{"", -1};
    if (p == nullptr) return r;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

}  // namespace

TEST(VmkCli, ResetOverTheEmulatorPrintsNothingAndSucceeds) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    result r = vmk("device reset " + board.port_path());
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
        {"device reset /dev/does-not-exist", 1, "error opening serial port\n"},
        {"device dum", 2, ""},
        {"device save_up 1", 2, ""},  // too few arguments: usage on stderr
        {"device save_up 9 f /dev/does-not-exist", 1, "error opening serial port\n"},
        {"bogus", 2, ""},
    };
    for (auto &c : cases) {
        result r = vmk(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(VmkCli, ArgumentRefusalOnSilentRowsExitsOne) {
    board_emulator board;
    ASSERT_TRUE(board.start());
    // dump answers status 0 for an unknown map; the shell must still see a failure.
    result r = vmk("device dump rum f " + board.port_path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "unknown map, map is defined:\n rom romram sf2 memorybase\n");
}

TEST(VmkCli, HelpListsTheDeviceTable) {
    result r = vmk("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("gpram_dn       [hexaddress] [length] [imagefile]"), std::string::npos);
}
