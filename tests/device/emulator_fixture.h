// Runs the board emulator on a pseudo-terminal and dispatches device command
// vectors to it, as the window and the command line do.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/device_dispatch.h"
#include "tests/platform/fake_serial_tree.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"
#include "tools/board_emulator/board_emulator.h"

class EmulatorTest : public testing::Test {
protected:
    // The port listing sees the fake tree, empty unless a test adds adapters:
    // a command without a port never finds the machine's real ones. Set in the
    // constructor, which fixtures overriding SetUp cannot skip.
    EmulatorTest() { serial_system_roots_use(serial_tree.roots); }
    ~EmulatorTest() override { serial_system_roots_use({}); }
    void SetUp() override { start_board({}); }

    void start_board(emu_options options) {
        board = std::make_unique<board_emulator>(options);
        ASSERT_TRUE(board->start());
    }

    // Dispatches "", command, arguments..., the emulator's port. Returns the
    // row's status; ok receives the outcome.
    int run(std::vector<std::string> command_and_args, int *ok = nullptr) {
        command_and_args.push_back(board->port_path());
        return run_raw(command_and_args, ok);
    }

    int run_raw(const std::vector<std::string> &command_and_args, int *ok = nullptr) {
        std::vector<const char *> v{""};
        for (const auto &s : command_and_args) v.push_back(s.c_str());
        return device_dispatch(log.sink, nullptr, static_cast<int>(v.size()), v.data(), ok);
    }

    fake_serial_tree serial_tree;
    std::unique_ptr<board_emulator> board;
    recording_log log;
    temp_dir files;
};
