// Why a port cannot be opened: the holder of a busy port found through
// /proc (the lock's holder, else every process with it open), and brltty
// named where it is the likely cause.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/serial.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A pseudo-terminal this process holds locked, the way a running terminal
// program holds its port, and a fake /proc and / beside it.
class SerialProblem : public testing::Test {
protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        port = ptsname(master);
        holder = open(port.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
        roots.proc = dir.path("proc");
        roots.root = dir.path("root");
        roots.dev = dir.path("dev");
        fs::create_directories(roots.proc);
        fs::create_directories(roots.root);
        fs::create_directories(roots.dev);
    }
    void TearDown() override {
        if (holder >= 0) close(holder);
        if (master >= 0) close(master);
    }
    void process(const char *pid, const char *name, const std::vector<std::string> &open_files) {
        fs::path p = fs::path(roots.proc) / pid;
        fs::create_directories(p / "fd");
        std::ofstream(p / "comm") << name << "\n";
        int fd = 3;
        for (const std::string &f : open_files) fs::create_symlink(f, p / "fd" / std::to_string(fd++));
    }
    void install_brltty() {
        fs::create_directories(fs::path(roots.root) / "usr/bin");
        std::ofstream(fs::path(roots.root) / "usr/bin/brltty") << "#!/bin/sh\n";
    }

    temp_dir dir;
    serial_system_roots roots;
    int master = -1, holder = -1;
    std::string port;
};

}  // namespace

TEST_F(SerialProblem, BusyPortNamesTheProgramsHoldingIt) {
    struct stat st;
    ASSERT_EQ(stat(port.c_str(), &st), 0);
    char file[64];
    snprintf(file, sizeof file, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
             static_cast<unsigned long long>(st.st_ino));
    const std::string lock_by_97 = "1: FLOCK  ADVISORY  WRITE 97 " + std::string(file) + " 0 EOF\n";
    struct row {
        const char *context;
        std::vector<std::pair<const char *, const char *>> programs;  // pid, name; all have it open
        std::string locks;  // the fake /proc/locks
        std::string expected;
    } rows[] = {
        {"no process visible", {}, "", ": in use by another program"},
        {"one opener", {{"812", "minicom"}}, "", ": in use by minicom (pid 812)"},
        {"two openers", {{"812", "minicom"}, {"97", "screen"}}, "",
         ": in use by minicom (pid 812), screen (pid 97)"},
        {"two openers, the lock holder named alone",
         {{"812", "minicom"}, {"97", "screen"}},
         "1: POSIX  ADVISORY  WRITE 812 00:01:99 0 EOF\n"       // another file
         "2: OFDLCK ADVISORY  WRITE -1 " + std::string(file) + " 0 EOF\n"  // no process
         "3: -> FLOCK  ADVISORY  WRITE 812 " + std::string(file) + " 0 EOF\n"  // waiting
         + lock_by_97,
         ": in use by screen (pid 97)"},
        {"brltty holds it",
         {{"431", "brltty"}}, "",
         ": in use by brltty (pid 431); brltty (the braille display service) takes some USB serial "
         "adapters right after they are plugged in: without a braille display, stop it with `sudo "
         "systemctl mask --now brltty-udev.service brltty.service` (or `sudo apt remove brltty`) "
         "and plug the adapter in again"},
    };
    for (const row &r : rows) {
        fs::remove_all(roots.proc);
        fs::create_directories(roots.proc);
        process("1", "systemd", {"/dev/null", dir.path("other")});  // holds something else
        process("self", "not-a-pid", {port});                        // not a process folder
        for (auto [pid, name] : r.programs) process(pid, name, {"/dev/null", port});
        if (!r.locks.empty()) std::ofstream(roots.proc + "/locks") << r.locks;
        EXPECT_EQ(serial_port_open_problem(port, roots), port + r.expected) << r.context;
    }
}

TEST_F(SerialProblem, BusyPortHolderFoundInTheRealProc) {
    roots.proc = "/proc";
    std::string self = std::to_string(getpid());
    std::string problem = serial_port_open_problem(port, roots);
    EXPECT_NE(problem.find(" (pid " + self + ")"), std::string::npos) << problem;
    EXPECT_EQ(problem.rfind(port + ": in use by ", 0), 0u) << problem;
}

TEST_F(SerialProblem, MissingUsbPortMentionsBrlttyOnlyWhereItIsInstalled) {
    const std::string missing = ": no such port (`vmk ports` lists the serial ports)";
    const std::string advice =
        "; brltty (the braille display service) takes some USB serial adapters right after they are "
        "plugged in";
    struct row {
        std::string path;
        bool brltty_installed, advised;
    } rows[] = {
        {roots.dev + "/ttyUSB0", true, true},
        {roots.dev + "/ttyACM1", true, true},
        {roots.dev + "/serial/by-id/usb-1a86_USB_Serial-if00-port0", true, true},
        {roots.dev + "/ttyUSB0", false, false},
        {roots.dev + "/ttyS7", true, false},  // no USB adapter
    };
    for (const row &r : rows) {
        fs::remove_all(roots.root);
        fs::create_directories(roots.root);
        if (r.brltty_installed) install_brltty();
        std::string problem = serial_port_open_problem(r.path, roots);
        EXPECT_EQ(problem.rfind(r.path + missing, 0), 0u) << problem;
        EXPECT_EQ(problem.find(advice) != std::string::npos, r.advised) << problem;
    }
}
