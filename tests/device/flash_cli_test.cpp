// The flash, upload and calibration commands as a shell user runs them
// through vmk: output and exit status.
#include <gtest/gtest.h>

#include "tests/device/flash_fixture.h"
#include "tests/support/child_process.h"

namespace {

command_result vmk(const std::string &args) { return run_command(std::string(VMK_BINARY) + " " + args); }

}  // namespace

using FlashCli = FlashBoardTest;

TEST_F(FlashCli, ExitStatusFollowsTheOutcomeWhateverTheRowReturns) {
    std::string port = board->port_path();
    std::string rom = write_file("r.pce", pattern(0x60000));
    std::string table = write_file("c.bin", pattern(0x400));
    std::string missing = files.path("none.pac");
    std::string short_jic = write_file("s.jic", pattern(100));
    struct {
        std::string args;
        int status;
        std::string out;
    } cases[] = {
        {"device upimg gpram rom " + rom + " " + port, 0, ""},  // row status 1 means done
        {"device colortable " + table + " " + port, 0, "Turn on the power again.\n"},
        {"device program_pac " + missing + " " + port, 1, missing + " filesize error\n"},
        {"device program_jic " + short_jic + " " + port, 1,
         "jic filesize error\n"},  // row status 0
        {"device adj 70 " + port, 1, "out of range\n"},
        {"device program_data 2FFFF " + rom + " " + port, 1,
         "address range error: address < 0x30000\n"},
    };
    for (auto &c : cases) {
        command_result r = vmk(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{0x1B});
    EXPECT_EQ(flash->programmed_pages(), pages_from(0x60000, 5));
}

TEST_F(FlashCli, AdjPrintsItsLineThenTheLog) {
    // No helper beside the vmk binary: the command fails after its line.
    command_result r = vmk("device adj 60 " + board->port_path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("VSync 60.00 Hz, pixel clock 74.25 MHz, val 3ae93eef\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nsub process error\n"), std::string::npos) << r.out;
    EXPECT_TRUE(board->headers().empty());
}
