#include "card/cdimage/image_sector_file.h"

#include "platform/stream_seek.h"

size_t sector_read_at(FILE *f, uint64_t first, size_t record_size, size_t count, void *out) {
    if (record_size == 0) return 0;
    if (!stream_seek(f, first * record_size)) return 0;
    return fread(out, record_size, count, f);
}
