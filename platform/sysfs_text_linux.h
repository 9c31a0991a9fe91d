// Values of sysfs attributes (and /dev-side text files of the fake trees the
// tests build): one line, blanks around it dropped. Linux only.
#pragma once

#include <filesystem>
#include <string>

// "" when the file is missing or empty.
std::string sysfs_first_line(const std::filesystem::path &path);
