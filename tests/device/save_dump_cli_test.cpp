// Save data, Memory Base and dump commands as a shell user runs them: vmk
// against the board-emulator executable holding a HuCard and a Memory Base.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

using PceportStop = ConsoleBusTest;

}  // namespace

TEST_F(PceportStop, CtrlCDuringAPacedDumpReleasesTheConsoleAndLeavesNoFile) {
    emu_options paced;
    paced.paced = true;
    boot(paced);
    bus.insert_card(make_rom(0x80000));  // 10 s on the wire: far longer than the wait
    temp_dir files;
    const std::string out = files.path("out.pce");
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        execl(VMK_BINARY, VMK_BINARY, "device", "dump", "rom", out.c_str(),
              board->port_path().c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string said;
    // The bank reads start right after the size line.
    bool started = read_until(pipe_fds[0], "page size:", &said);
    kill(pid, SIGINT);
    read_until(pipe_fds[0], "\x01", &said);  // the rest, up to the end of output
    close(pipe_fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(started) << said;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(said.find("stopped\n"), std::string::npos) << said;
    EXPECT_EQ(said.find("has been saved"), std::string::npos) << said;
    EXPECT_FALSE(file_exists(out));
    std::vector<uint8_t> control = board->control_writes();
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(control.back(), 0x01) << "the console was not released";
}
