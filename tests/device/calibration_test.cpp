// calb, adj and colortable over the emulator. A fake helper script stands in
// for the external calibration program, in a program directory of the test's
// own; the 13.5 s measuring wait goes through the sleep hook.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/file_util.h"
#include "platform/program.h"
#include "tests/device/flash_fixture.h"

namespace {

std::atomic<long> slept_ms{0};
std::atomic<long> sleeps{0};
void count_sleep(unsigned ms) {
    slept_ms += ms;
    sleeps++;
}

// Records its arguments and working directory, copies config.src to the
// output file it was given when there is one, exits with the code in
// exit_code (0 without it).
const char *FAKE_HELPER =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > args.txt\n"
    "pwd > cwd.txt\n"
    "[ -f config.src ] && cp config.src \"$2\"\n"
    "exit $(cat exit_code 2>/dev/null || echo 0)\n";

std::string read_text(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// "W6 W5 R5 ..." for the block headers the board saw.
std::string port_ops(const std::vector<std::vector<uint8_t>> &headers) {
    std::string ops;
    for (const auto &h : headers) {
        if (!ops.empty()) ops += ' ';
        ops += static_cast<char>(h[0]);
        ops += static_cast<char>('0' + (h[1] >> 5));
    }
    return ops;
}

}  // namespace

class Calibration : public FlashBoardTest {
protected:
    void SetUp() override {
        FlashBoardTest::SetUp();
        dir = files.dir + "/";
        process_set_program_dir(dir.c_str());
        platform_set_sleep_hook(count_sleep);
        slept_ms = 0;
        sleeps = 0;
        config = pattern(70, 0x42);  // the helper's output may be longer than 66 bytes
    }
    void TearDown() override {
        process_set_program_dir(nullptr);
        platform_set_sleep_hook(nullptr);
        FlashBoardTest::TearDown();
    }

    void install_helper(const std::string &name, int exit_code = 0, bool writes_output = true) {
        std::string path = files.path(name);
        std::ofstream(path) << FAKE_HELPER;
        chmod(path.c_str(), 0755);
        if (exit_code != 0) std::ofstream(files.path("exit_code")) << exit_code;
        if (writes_output) write_file("config.src", config);
    }

    int64_t file_size_of(const std::string &name) { return file_size(files.path(name).c_str()); }

    std::vector<uint8_t> config_sent() {
        return std::vector<uint8_t>(config.begin(), config.begin() + 66);
    }

    std::string dir;
    std::vector<uint8_t> config;
};

TEST_F(Calibration, MeasuringRunHandsTheCountToTheHelperAndSendsItsBlock) {
    install_helper("approx");
    board->set_counter(0x123456);
    int ok = -1;
    EXPECT_EQ(run({"calb"}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_text(files.path("args.txt")), "1980904534\n" + dir + "multisynth.bin\n");
    EXPECT_EQ(read_text(files.path("cwd.txt")), files.dir + "\n");
    char adjustment[64];
    snprintf(adjustment, sizeof adjustment, "adjustment=%13.12f\n", 1982475000.0 / 0x76123456);
    EXPECT_EQ(log.text(), "system reset ok\n" + dir + "\n" + adjustment + "calibration complete\n");
    EXPECT_EQ(port_ops(board->headers()), "W6 W5 R5 W6 W0");
    EXPECT_EQ(board->counter_writes(), (std::vector<uint8_t>{0x00, 0x01}));
    EXPECT_EQ(board->clock_config(), config_sent());
    EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{0x01});
    // 13.5 s as 50 steps of 270 ms, each moving the gauge by one.
    EXPECT_EQ(slept_ms, 13500);
    EXPECT_EQ(sleeps, 50);
    EXPECT_EQ(log.ranges, std::vector<int64_t>{50});
    EXPECT_EQ(log.stepped, 50);
}

TEST_F(Calibration, MeasuringRunStopsOnABadMeasurementOrHelper) {
    struct {
        const char *what;
        uint32_t counter;
        const char *helper;  // nullptr: none beside the program
        int exit_code;
        bool writes_output;
        const char *last;
        const char *ops;
    } cases[] = {
        {"count of 0", 0, "approx", 0, true, "hd counter error\n", "W6 W5 R5"},
        {"bit 23 set", 0x800001, "approx", 0, true, "the register data is incorrect\n", "W6 W5 R5"},
        {"helper fails", 0x1000, "approx", 1, true, "sub process error\n", "W6 W5 R5"},
        {"no helper", 0x1000, nullptr, 0, true, "sub process error\n", "W6 W5 R5"},
        {"helper writes nothing", 0x1000, "approx", 0, false,
         "multisynth.bin is missing or shorter than 66 bytes\n", "W6 W5 R5"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        temp_dir fresh;
        std::swap(files.dir, fresh.dir);  // a clean program directory per case
        dir = files.dir + "/";
        process_set_program_dir(dir.c_str());
        if (c.helper) install_helper(c.helper, c.exit_code, c.writes_output);
        board->clear_log();
        board->set_counter(c.counter);
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"calb"}, &ok), 0);  // calb's status is 0 whatever happened
        EXPECT_EQ(ok, 0);
        std::string text = log.text();
        ASSERT_GE(text.size(), strlen(c.last));
        EXPECT_EQ(text.substr(text.size() - strlen(c.last)), c.last);
        EXPECT_EQ(port_ops(board->headers()), c.ops);  // port 6 keeps the all-zero block
        EXPECT_TRUE(board->control_writes().empty());
        if (c.counter == 0 || (c.counter & 0x800000)) {
            EXPECT_EQ(file_size_of("args.txt"), -1);  // the helper was not started
        }
        std::swap(files.dir, fresh.dir);
    }
}

TEST_F(Calibration, ShortHelperOutputIsNotSent) {
    config.resize(65);
    install_helper("approx");
    board->set_counter(0x1000);
    EXPECT_EQ(run({"calb"}), 0);
    EXPECT_EQ(log.writes.back(), "multisynth.bin is missing or shorter than 66 bytes\n");
    EXPECT_EQ(port_ops(board->headers()), "W6 W5 R5");
}

TEST_F(Calibration, WindowsHelperRunsThroughWineWhenItIsTheOnlyOne) {
    install_helper("approx.exe");
    temp_dir bin;
    std::string wine = bin.path("wine");
    std::ofstream(wine) << "#!/bin/sh\nexe=\"$1\"; shift\necho \"$exe\" > ran_by_wine.txt\nexec "
                           "/bin/sh \"$exe\" \"$@\"\n";
    chmod(wine.c_str(), 0755);
    std::string old_path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.dir + ":" + old_path).c_str(), 1);
    board->set_counter(0x1000);
    int ok = -1;
    run({"calb"}, &ok);
    setenv("PATH", old_path.c_str(), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_text(files.path("ran_by_wine.txt")), dir + "approx.exe\n");
    EXPECT_EQ(read_text(files.path("args.txt")),
              std::to_string(0x76001000) + "\n" + dir + "multisynth.bin\n");
    EXPECT_EQ(board->clock_config(), config_sent());
}

TEST_F(Calibration, SilentBoardStopsAtTheFirstWrite) {
    install_helper("approx");
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    int ok = -1;
    EXPECT_EQ(run({"calb"}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "timeout$\nPC Engine configuration initialization error\n");
    EXPECT_EQ(slept_ms, 0);
}

TEST_F(Calibration, ProgramDirectoryThatDoesNotFitStops) {
    install_helper("approx");
    std::string long_dir = "/" + std::string(130, 'd') + "/";
    process_set_program_dir(long_dir.c_str());
    board->set_counter(0x1000);
    int ok = -1;
    run({"calb"}, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.writes.back(), "\n");
    EXPECT_EQ(log.writes[log.writes.size() - 2],
              "program directory is unknown or longer than 127 bytes");
    EXPECT_EQ(port_ops(board->headers()), "W6 W5 R5");
}

TEST_F(Calibration, AdjComputesTheValueFromTheFrameRate) {
    struct {
        const char *rate;
        const char *out;  // standard output
        uint32_t value;
    } cases[] = {
        {"60", "VSync 60.00 Hz, pixel clock 74.25 MHz, val 3ae93eef\n", 988364527},
        {"50", "VSync 50.00 Hz, pixel clock 61.88 MHz, val 46b17eb9\n", 1186037433},
        {"69.99", nullptr, 0},
    };
    install_helper("approx");
    for (auto &c : cases) {
        SCOPED_TRACE(c.rate);
        board->clear_log();
        log.writes.clear();
        testing::internal::CaptureStdout();
        int ok = -1;
        EXPECT_EQ(run({"adj", c.rate}, &ok), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ok, 1);
        if (c.out == nullptr) continue;
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(read_text(files.path("args.txt")),
                  std::to_string(c.value) + "\n" + dir + "multisynth.bin\n");
        char adjustment[64];
        snprintf(adjustment, sizeof adjustment, "adjustment=%13.12f\n", 1982475000.0 / c.value);
        // No measurement, no release, nothing logged after the block is sent.
        EXPECT_EQ(log.text(), dir + "\n" + adjustment);
        EXPECT_EQ(port_ops(board->headers()), "W6");
        EXPECT_EQ(board->clock_config(), config_sent());
        EXPECT_EQ(slept_ms, 0);
    }
}

TEST_F(Calibration, AdjRefusesRatesOutOfRange) {
    install_helper("approx");
    for (const char *rate : {"70", "49.99", "abc", "nan", "-60", "1e9"}) {
        SCOPED_TRACE(rate);
        log.writes.clear();
        int ok = -1;
        EXPECT_EQ(run({"adj", rate}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), "out of range\n");
    }
    EXPECT_TRUE(board->headers().empty());
    EXPECT_EQ(file_size_of("args.txt"), -1);
}

TEST_F(Calibration, AdjWithAFailingHelperKeepsStatusZeroButFails) {
    install_helper("approx", 3);
    testing::internal::CaptureStdout();
    int ok = -1;
    EXPECT_EQ(run({"adj", "60"}, &ok), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.writes.back(), "\n");
    EXPECT_EQ(log.writes[log.writes.size() - 2], "sub process error");
    EXPECT_TRUE(board->headers().empty());
}

namespace {

// Asks the stop once the measuring wait has taken this many steps.
stop_request *stop_during_wait = nullptr;
void stopping_sleep(unsigned ms) {
    count_sleep(ms);
    if (sleeps == 5) stop_ask(stop_during_wait);
}

// A helper that would run for a minute; its process id goes to pid.txt.
const char *SLOW_HELPER =
    "#!/bin/sh\n"
    "echo $$ > pid.txt.part && mv pid.txt.part pid.txt\n"
    "exec sleep 60\n";

}  // namespace

// Stop during calibration ends the measuring wait at its next step, or the
// helper program at once, and the command fails with "stopped".
TEST_F(Calibration, StopEndsTheWaitAndTheHelper) {
    stop_request stop;
    log_attach_stop(log.sink, &stop);
    {
        SCOPED_TRACE("during the wait");
        install_helper("approx");
        stop_during_wait = &stop;
        platform_set_sleep_hook(stopping_sleep);
        int ok = -1;
        EXPECT_EQ(run({"calb"}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(sleeps, 5);
        EXPECT_EQ(file_size_of("args.txt"), -1) << "the helper was not started";
        EXPECT_NE(log.text().find("stopped\n"), std::string::npos) << log.text();
        platform_set_sleep_hook(count_sleep);
    }
    {
        SCOPED_TRACE("during the helper");
        stop_clear(&stop);
        log.writes.clear();
        std::ofstream(files.path("approx")) << SLOW_HELPER;
        board->set_counter(0x123456);
        std::thread asker([&] {
            while (file_size_of("pid.txt") <= 0) usleep(1000);
            stop_ask(&stop);
        });
        auto started = std::chrono::steady_clock::now();
        int ok = -1;
        EXPECT_EQ(run({"calb"}, &ok), 0);
        asker.join();
        EXPECT_EQ(ok, 0);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        EXPECT_NE(log.text().find("stopped\n"), std::string::npos) << log.text();
        pid_t helper = static_cast<pid_t>(std::stol(read_text(files.path("pid.txt"))));
        EXPECT_NE(kill(helper, 0), 0) << "the helper still runs";
    }
    log_attach_stop(log.sink, nullptr);
}
