#include <cstdio>

#include "platform/stream_seek.h"

bool stream_seek(FILE *f, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET) == 0;
}
