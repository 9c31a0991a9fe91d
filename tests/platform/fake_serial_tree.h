// A /sys/class/tty and /dev holding USB serial adapters whose nodes lead to
// a device of the test's choosing (the board emulator's pseudo-terminal), so
// the port listing, the proposal and the window's chooser see an adapter
// that really answers.
#pragma once

#include <string>

#include "platform/serial.h"
#include "tests/support/temp_dir.h"

struct fake_serial_tree {
    fake_serial_tree();
    // A USB adapter (FTDI 0403:6001) named tty ("ttyUSB0") with that serial
    // number, its node a link to target, and a by-id link when by_id is not
    // empty. Returns the by-id path, or the node's when there is none.
    std::string add_adapter(const std::string &tty, const std::string &serial,
                            const std::string &target, const std::string &by_id);

    temp_dir dir;
    serial_system_roots roots;
};
