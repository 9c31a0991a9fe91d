#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "device/serial_link.h"
#include "platform/serial.h"
#include "tests/support/recording_log.h"

namespace {

// A bare pseudo-terminal whose far end the test drives by hand.
struct pty_pair {
    pty_pair() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
    }
    ~pty_pair() { close(master); }
    void send(const std::string &bytes) { EXPECT_EQ(write(master, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
    std::string receive(size_t n) {
        std::string out(n, '\0');
        size_t have = 0;
        while (have < n) {
            ssize_t r = read(master, out.data() + have, n - have);
            if (r <= 0) break;
            have += r;
        }
        out.resize(have);
        return out;
    }
    int master;
    std::string path;
};

}  // namespace

TEST(SerialNames, MapToDevicePaths) {
    struct {
        const char *name, *path;
    } cases[] = {
        {"/dev/pts/7", "/dev/pts/7"},  // absolute: unchanged
        {"COM1", "/dev/ttyS0"},
        {"COM12", "/dev/ttyS11"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"COMX", "/dev/COMX"},  // not a number: an ordinary name
        {"COM256", "/dev/ttyS255"},
        {"COM 3", "/dev/COM 3"},  // a number only when it is plain digits
        {"COM+3", "/dev/COM+3"},
        {"COM0", "/dev/COM0"},
        {"COM007", "/dev/COM007"},
        {"COM257", "/dev/COM257"},
        {"COM99999999999999999999", "/dev/COM99999999999999999999"},
    };
    for (auto &c : cases) EXPECT_EQ(serial_os_device_name(c.name), c.path) << c.name;
}

TEST(Serial, OpenFailsForMissingDeviceAndNonTerminal) {
    recording_log log;
    EXPECT_EQ(serial_open(log.sink, "/dev/does-not-exist", 500000, 0, 8), nullptr);
    EXPECT_EQ(serial_open(log.sink, "/dev/null", 500000, 0, 8), nullptr);
}

TEST(Serial, BinaryBytesPassUnchangedBothWays) {
    pty_pair pty;
    recording_log log;
    serial_port *port = serial_open(log.sink, pty.path.c_str(), 500000, 0, 8);
    ASSERT_NE(port, nullptr);
    std::string all;
    for (int i = 0; i < 256; i++) all.push_back(static_cast<char>(i));
    EXPECT_EQ(serial_write(port, all.data(), all.size()), 256);
    EXPECT_EQ(pty.receive(256), all);
    pty.send(all);
    std::string back(256, '\0');
    EXPECT_EQ(serial_read(port, back.data(), 256), 256);
    EXPECT_EQ(back, all);
    serial_close(port);
}

TEST(Serial, SecondOpenerIsRefused) {
    pty_pair pty;
    recording_log log;
    serial_port *first = serial_open(log.sink, pty.path.c_str(), 500000, 0, 8);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(serial_open(log.sink, pty.path.c_str(), 500000, 0, 8), nullptr);
    serial_close(first);
    serial_port *again = serial_open(log.sink, pty.path.c_str(), 500000, 0, 8);
    EXPECT_NE(again, nullptr);
    serial_close(again);
}

TEST(Serial, SilentPeerFailsAfterIdleLimit) {
    pty_pair pty;
    recording_log log;
    serial_port *port = serial_open(log.sink, pty.path.c_str(), 500000, 0, 8);
    ASSERT_NE(port, nullptr);
    serial_set_idle_limit(port, 100);
    char b;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(serial_read(port, &b, 1), -1);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 90);    // 100 empty passes of up to 1 ms each
    EXPECT_LT(ms, 2000);  // and not much more
    EXPECT_EQ(serial_read(port, &b, 0), 0);
    serial_close(port);
}

TEST(Serial, ReplyInPiecesCompletesAndProgressCountsEveryByte) {
    pty_pair pty;
    recording_log log;
    serial_port *port = serial_open(log.sink, pty.path.c_str(), 500000, 0, 8);
    ASSERT_NE(port, nullptr);
    serial_progress_on(port);
    std::thread peer([&] {
        pty.send("abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well inside the idle limit
        pty.send("defgh");
    });
    char buffer[8];
    EXPECT_EQ(serial_read(port, buffer, 8), 8);
    peer.join();
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
    EXPECT_EQ(log.stepped, 8);

    // Quiet reads leave the gauge alone and keep progress on afterwards.
    pty.send("xy");
    EXPECT_EQ(serial_read_quiet(port, buffer, 2), 2);
    EXPECT_EQ(log.stepped, 8);
    pty.send("z");
    EXPECT_EQ(serial_read(port, buffer, 1), 1);
    EXPECT_EQ(log.stepped, 9);
    serial_close(port);
}
