// The system's side of process.h. POSIX: process_posix.cpp; Windows:
// process_windows.cpp.
#pragma once

#include <string>

// The running program's directory, UTF-8, ending in the system's separator.
bool process_os_executable_dir(std::string *dir);
