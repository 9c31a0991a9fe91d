// Closing the window while a command runs, seen from outside: the real frame
// runs in a child process, so the test sees what the process left behind
// once it had exited.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/card/commands/config_card.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/device/console_bus_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

using WindowCloseChild = ConsoleBusTest;

struct child_run {
    bool started = false;
    std::string said;
    int status = -1;  // the exit status, -1 when it did not exit normally
};

// Runs the child with the arguments after its folder, reading its output.
child_run run_child(const std::string &folder, std::vector<std::string> args) {
    child_run r;
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return r;
    args.insert(args.begin(), {CLOSE_CHILD_BINARY, folder});
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    r.started = read_until(pipe_fds[0], "started\n", &r.said);
    read_until(pipe_fds[0], "\x01", &r.said);  // the rest, up to the end of output
    close(pipe_fds[0]);
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    return r;
}

}  // namespace

TEST_F(WindowCloseChild, ClosingDuringAPacedDumpExitsOnlyAfterTheConsoleWasReleased) {
    emu_options paced;
    paced.paced = true;
    boot(paced);
    bus.insert_card(make_rom(0x80000));  // 10 s on the wire
    temp_dir files;
    child_run r = run_child(files.dir, {"dump", board->port_path()});
    ASSERT_TRUE(r.started) << r.said;
    EXPECT_EQ(r.status, 0) << r.said;
    EXPECT_NE(r.said.find("closed\n"), std::string::npos) << r.said;
    std::vector<uint8_t> control = board->control_writes();
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(control.back(), 0x01) << "the console was not released";
    // Only the settings file: neither the dump nor a temporary file remains.
    for (const auto &entry : std::filesystem::directory_iterator(files.dir))
        EXPECT_EQ(entry.path().filename(), "oru.cfg") << "left behind: " << entry.path();
}

TEST(WindowCloseChildCard, ClosingDuringALargeAddLeavesTheCardWithItsPreviousContents) {
    config_card c;
    const std::vector<uint8_t> before = c.snapshot();
    const std::vector<std::string> listed = c.listing();
    temp_dir files;
    const std::string disc = files.path("large");
    make_cd(disc, 6000, 6000);
    temp_dir settings;
    child_run r = run_child(settings.dir, {"add", c.card.path(), disc + ".ccd"});
    ASSERT_TRUE(r.started) << r.said;
    EXPECT_EQ(r.status, 0) << r.said;
    EXPECT_NE(r.said.find("closed\n"), std::string::npos) << r.said;
    EXPECT_EQ(c.listing(), listed);
    EXPECT_TRUE(c.snapshot() == before) << "the card changed";
}
