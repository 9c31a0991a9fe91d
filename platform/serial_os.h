// Operating-system side of the serial port: the portable port layer in
// device/serial.cpp keeps the idle-limit rule and progress; this layer only
// opens, configures and moves bytes. POSIX: serial_os_posix.cpp; Windows:
// serial_os_windows.cpp.
#pragma once

#include <cstddef>
#include <string>

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
