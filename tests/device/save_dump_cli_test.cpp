// Save data, Memory Base and dump commands as a shell user runs them: vmk
// against the board-emulator executable holding a HuCard and a Memory Base.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/device/console_bus_fixture.h"

namespace {

command_result vmk(const std::string &args) {
    return run_command(std::string(VMK_BINARY) + " device " + args);
}

bool starts_with(const std::string &s, const std::string &prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TEST(PceportCli, CommandsAgainstTheEmulatorExecutable) {
    temp_dir files;
    bytes rom = make_rom(0x60000);
    bytes memorybase = make_rom(0x20000, 8);
    write_file(files.path("card.pce"), rom);
    write_file(files.path("mb.bin"), memorybase);
    background_process emulator({BOARD_EMULATOR_BINARY, "--hucard", files.path("card.pce"),
                                 "--memorybase", files.path("mb.bin")});
    std::string port = emulator.first_line();
    ASSERT_FALSE(port.empty());

    struct {
        std::string args;
        int status;
        std::string out_begins;
    } cases[] = {
        {"dump rom " + files.path("out.pce"), 0,
         "page size: 0x20+0x10\n" + files.path("out.pce") + " has been saved. CRC32:"},
        {"memorybase down " + files.path("mb_out.bin"), 0,
         files.path("mb_out.bin") + " has been saved. CRC32:"},
        {"save_dn 0 " + files.path("page.sav"), 0, files.path("page.sav") + " has been saved\n"},
        {"save_up 3 " + files.path("page.sav"), 0, files.path("page.sav") + " is uploaded\n"},
        {"gpram_dn 0 2000 " + files.path("g.bin"), 0, files.path("g.bin") + " has been saved\n"},
        {"memorybase up " + files.path("mb.bin"), 1, "remove a HuCard\n"},
        {"dump rom " + files.path("missing/x.pce"), 1,
         "page size: 0x20+0x10\n" + files.path("missing/x.pce") + " - save error\n"},
    };
    for (auto &c : cases) {
        command_result r = vmk(c.args + " " + port);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_TRUE(starts_with(r.out, c.out_begins)) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(read_file(files.path("out.pce")), rom);
    EXPECT_EQ(read_file(files.path("mb_out.bin")), memorybase);
    EXPECT_EQ(read_file(files.path("page.sav")).size(), 0x800u);
    EXPECT_EQ(read_file(files.path("g.bin")).size(), 0x2000u);
}

TEST(PceportCli, EmptySlotAndMissingMemoryBaseExitOne) {
    temp_dir files;
    write_file(files.path("mb.bin"), bytes(0x20000, 0));
    background_process emulator({BOARD_EMULATOR_BINARY});
    std::string port = emulator.first_line();
    ASSERT_FALSE(port.empty());
    struct {
        std::string args;
        std::string out;
    } cases[] = {
        {"dump rom " + files.path("x.pce"), "HuCard slot is empty\n"},
        {"memorybase up " + files.path("mb.bin"),
         "Memory base is not found. Please connect following chain [PCE = MB (= MULTITAP) = PAD].\n"
         "メモリーベースが見つかりません. PCE = MB (= MULTITAP) = PAD の順番に接続してください.\n"},
    };
    for (auto &c : cases) {
        command_result r = vmk(c.args + " " + port);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    EXPECT_FALSE(file_exists(files.path("x.pce")));
}

TEST(PceportCli, EmulatorRefusesAnUnreadableRomFile) {
    command_result r =
        run_command(std::string(BOARD_EMULATOR_BINARY) + " --hucard /no/such/card.pce");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}
