// What the system has mounted, read from the kernel's per-process mount table
// (mountinfo format) and its swap list. Paths are parameters so tests can
// hand in fake tables.
#pragma once

#include <string>
#include <vector>

#include "platform/removable_disks.h"

struct mount_record {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mount_point;  // octal escapes (\040 for a space) decoded
    std::string source;       // e.g. "/dev/sdb1"; file systems such as btrfs
                              // report a virtual major:minor, so match on both
};

// Lines that do not parse are skipped. A missing file gives an empty table.
std::vector<mount_record> parse_mountinfo(const std::string &text);
std::vector<mount_record> read_mount_table(const std::string &mountinfo_path);

// Device paths of the active swap areas (first column after the header).
std::vector<std::string> parse_swaps(const std::string &text);
std::vector<std::string> read_swap_devices(const std::string &swaps_path);

// True for /, and for /boot, /usr, /home, /var and anything beneath them.
bool is_system_mount_point(const std::string &mount_point);

