// Internals shared by this folder's POSIX and Linux files, not for code
// outside platform/. Implemented in internal_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Whole positioned transfers on a file descriptor, shared by regular files
// and block devices: retried on EINTR and on short transfers. A transfer that
// makes no progress (end of file, medium gone) fails with EIO.
int pread_whole(int fd, void *buffer, uint64_t bytes, uint64_t offset);
int pwrite_whole(int fd, const void *buffer, uint64_t bytes, uint64_t offset);

// Linux: values of sysfs attributes (and /dev-side text files of the fake
// trees the tests build): one line, blanks around it dropped. "" when the
// file is missing or empty.
std::string sysfs_first_line(const std::filesystem::path &path);

// Linux: sets a serial port's input and output speed; uses the kernel's
// arbitrary-speed interface for rates that have no fixed constant. Apart from
// serial_linux.cpp because <asm/termbits.h> cannot share a translation unit
// with <termios.h>.
bool serial_set_speed(int fd, long baud);
