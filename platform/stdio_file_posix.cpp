#include "platform/stdio_file.h"

// Names are UTF-8 bytes already.
FILE *stdio_file_open(const char *name, const char *mode) { return fopen(name, mode); }
