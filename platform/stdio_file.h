// Opening a C stream by a UTF-8 name. POSIX: stdio_file_posix.cpp.
#pragma once

#include <cstdio>

// mode is one of fopen's ("rb", "wb", ...). Windows' fopen would read the
// name in the ANSI code page; its layer widens the name instead.
FILE *stdio_file_open(const char *name, const char *mode);
