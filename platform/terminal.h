// Whether a standard stream shows on a terminal (a person watches it) rather
// than going to a file or a pipe. POSIX: terminal_posix.cpp.
#pragma once

#include <cstdio>

bool stream_is_terminal(FILE *stream);
