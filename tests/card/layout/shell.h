// Running the system's FAT tools from tests.
#pragma once

#include <string>

// Exit status of `sh -c command` (output not captured), or -1.
int run_shell(const std::string &command);
// Standard output of the command.
std::string shell_output(const std::string &command);
