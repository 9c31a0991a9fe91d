// Serial ports: opening one and moving bytes, the system's ports for the port
// chooser and `vmk ports`, and the reason a port cannot be opened. The
// portable port layer in device/serial_link.cpp keeps the idle-limit rule and
// progress; this layer only opens, configures and moves bytes.
// Linux: serial_linux.cpp (its speed call is in internal_posix.cpp);
// Windows: serial_windows.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// --- Port open and I/O

struct serial_os;

// Maps a user's port name to the system's device name. POSIX: an absolute
// path stays as it is, "COMn" is /dev/ttyS(n-1), any other name without '/'
// gets "/dev/" in front. Windows: the device namespace form "\\.\NAME"
// (which also reaches COM10 and up); a name already in that form stays.
std::string serial_os_device_name(const char *name);

// Opens for reading and writing, exclusively, an existing device only; raw
// mode; baud, parity (0 none, 1 even, 2 odd), data bits, one stop bit; flow
// control left as the driver has it. nullptr on any failure.
serial_os *serial_os_open(const char *name, long baud, int parity, int data_bits);
void serial_os_close(serial_os *port);

// Writes all bytes, waiting while the driver's buffer is full. Returns the
// number written (short only when the device stops taking bytes) or -1.
long serial_os_write(serial_os *port, const void *data, size_t n);
// Returns at once with what has arrived (0 when nothing), or -1 on error.
long serial_os_read_available(serial_os *port, void *buffer, size_t n);
// Waits until bytes arrive (true) or the time is up (false); returns at once
// when bytes are already there.
bool serial_os_wait_readable(serial_os *port, int milliseconds);

// --- Port discovery

struct serial_port_info {
    std::string path;   // device node to open: "/dev/ttyUSB0", "/dev/ttyS0", "COM4"
    std::string by_id;  // its stable /dev/serial/by-id link, empty when none
    // Windows: what the system calls the port, "USB Serial Port (COM4)".
    std::string friendly_name;
    // USB adapters only: "0403 FTDI" (vendor id and maker's text),
    // "6001 FT232R USB UART" (product id and text), the serial number.
    std::string usb_vendor, usb_product, usb_serial;
    bool can_open = false;  // the current user may open it for reading and writing
    std::string problem;    // when it cannot: why, and how to fix it
};

// Where the listing and the open-failure help look on Linux: sys_class_tty
// for /sys/class/tty, dev for /dev (its serial/by-id folder included), proc
// for /proc (who holds a port), root for / (whether brltty is installed).
// Windows has nothing to stand in for and ignores them.
struct serial_system_roots {
    std::string sys_class_tty = "/sys/class/tty";
    std::string dev = "/dev";
    std::string proc = "/proc";
    std::string root = "/";
};

// Points the calls without roots below at other trees, for the whole process;
// tests only, before any listing runs.
void serial_system_roots_use(const serial_system_roots &roots);

// Ports of the running system in name order: USB serial adapters
// (ttyUSB*, ttyACM*), the ttyS* ports that have a UART behind them and other
// serial drivers' ports with a device behind them (ttyAMA0); on Windows the
// present COM ports.
std::vector<serial_port_info> serial_port_list();

// Whether a port of that user's name is there to open: the node exists (on
// Linux a ttyS node also needs a UART behind it), or Windows knows the name.
bool serial_port_exists(const std::string &name);

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
// device node tried and the cause (missing, no permission and the group to
// join, in use and by which program where the system tells, brltty taking
// USB adapters when it is installed), or the system's error text.
std::string serial_port_open_problem(const std::string &path);
std::string serial_port_open_problem(const std::string &path, const serial_system_roots &roots);
