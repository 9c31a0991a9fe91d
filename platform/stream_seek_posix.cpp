#include <sys/types.h>

#include <cstdint>

#include "platform/stream_seek.h"

bool stream_seek(FILE *f, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}
