// Closing the window while a command runs, seen from outside: the real frame
// runs in a child process, so the test sees what the process left behind
// once it had exited.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/device/console_bus_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using WindowCloseChild = ConsoleBusTest;

// Reads the child's standard output until it holds text or the child ends.
bool read_until(int fd, const std::string &text, std::string *said) {
    char buffer[256];
    while (said->find(text) == std::string::npos) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return false;
        said->append(buffer, static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

TEST_F(WindowCloseChild, ClosingDuringAPacedDumpExitsOnlyAfterTheConsoleWasReleased) {
    emu_options paced;
    paced.paced = true;
    boot(paced);
    bus.insert_card(make_rom(0x80000));  // 10 s on the wire
    temp_dir files;
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        execl(CLOSE_CHILD_BINARY, CLOSE_CHILD_BINARY, files.dir.c_str(),
              board->port_path().c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string said;
    bool started = read_until(pipe_fds[0], "started\n", &said);
    read_until(pipe_fds[0], "\x01", &said);  // the rest, up to the end of output
    close(pipe_fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(started) << said;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
    EXPECT_NE(said.find("closed\n"), std::string::npos) << said;
    std::vector<uint8_t> control = board->control_writes();
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(control.back(), 0x01) << "the console was not released";
    // Only the settings file: neither the dump nor a temporary file remains.
    for (const auto &entry : std::filesystem::directory_iterator(files.dir))
        EXPECT_EQ(entry.path().filename(), "oru.cfg") << "left behind: " << entry.path();
}
