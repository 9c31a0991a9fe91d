// The serial ports of the system, for the port chooser and `vmk ports`, and
// the reason a port cannot be opened. Linux: serial_ports_linux.cpp.
#pragma once

#include <string>
#include <vector>

struct serial_port_info {
    std::string path;   // device node to open: "/dev/ttyUSB0", "/dev/ttyS0"
    std::string by_id;  // its stable /dev/serial/by-id link, empty when none
    // USB adapters only: "0403 FTDI" (vendor id and maker's text),
    // "6001 FT232R USB UART" (product id and text), the serial number.
    std::string usb_vendor, usb_product, usb_serial;
    bool can_open = false;  // the current user may open it for reading and writing
    std::string problem;    // when it cannot: why, and how to fix it
};

// Ports of the running system in name order: USB serial adapters
// (ttyUSB*, ttyACM*) and the ttyS* ports that have a UART behind them.
std::vector<serial_port_info> serial_port_list();

// Who wants to open the ports: a user id and its groups.
struct serial_port_user {
    unsigned uid = 0;
    std::vector<unsigned> groups;
};

// The same over other roots, for tests: sys_class_tty stands for
// /sys/class/tty, dev for /dev (its serial/by-id folder included); user
// replaces the current process's identity when given.
std::vector<serial_port_info> serial_port_list(const std::string &sys_class_tty,
                                               const std::string &dev,
                                               const serial_port_user *user = nullptr);

// Why a port cannot be opened, found after an open failed: a line naming the
// device node tried and the cause (missing, no permission and the dialout
// group, in use by another program), or the system's error text.
std::string serial_port_open_problem(const std::string &path);
