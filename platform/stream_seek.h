// Positioning a C stream past the 2 GiB that fseek's long reaches on some
// systems. POSIX: stream_seek_posix.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

// Moves the stream to offset bytes from its start; false when it cannot.
bool stream_seek(FILE *f, uint64_t offset);
