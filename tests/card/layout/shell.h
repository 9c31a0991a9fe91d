// Running the system's FAT tools, and Python's JSON parser, from tests.
#pragma once

#include <string>

// Exit status of `sh -c command` (output not captured), or -1.
int run_shell(const std::string &command);
// Standard output of the command.
std::string shell_output(const std::string &command);
// Reads a file of JSON objects, one a line, with Python's parser into the
// list `rows`, and returns what `print(<print_arguments>)` prints.
std::string json_lines_print(const std::string &file, const std::string &print_arguments);
