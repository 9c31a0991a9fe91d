// Runs the project's executables from tests: a command whose output and exit
// status are collected, and a background process whose first output line is
// read (the board emulator prints its port path there).
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

struct command_result {
    std::string out;  // standard output; standard error is dropped
    int status;       // exit status, -1 when it did not exit normally
};

inline command_result run_command(const std::string &command_line) {
    std::string command = command_line + " 2>/dev/null";
    command_result r{"", -1};
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// Reads a child's output from fd until it holds text or the child ends.
inline bool read_until(int fd, const std::string &text, std::string *said) {
    char buffer[256];
    while (said->find(text) == std::string::npos) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return false;
        said->append(buffer, static_cast<size_t>(n));
    }
    return true;
}

// Started with arguments, ended with SIGTERM when destroyed.
class background_process {
public:
    explicit background_process(const std::vector<std::string> &argv) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char *> args;
            for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~background_process() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    background_process(const background_process &) = delete;
    background_process &operator=(const background_process &) = delete;

    // The first line of standard output, without its newline; empty when
    // none came within timeout_ms.
    std::string first_line(int timeout_ms = 10000) {
        std::string line;
        char c;
        while (out_ >= 0) {
            pollfd pfd{out_, POLLIN, 0};
            if (poll(&pfd, 1, timeout_ms) <= 0 || read(out_, &c, 1) != 1) return "";
            if (c == '\n') return line;
            line += c;
        }
        return "";
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};
