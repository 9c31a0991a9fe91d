#include "card/cdimage/image_sector_file.h"

#include <sys/types.h>

size_t sector_read_at(FILE *f, uint64_t first, size_t record_size, size_t count, void *out) {
    if (record_size == 0) return 0;
    // A Windows build seeks with _fseeki64 here.
    if (fseeko(f, static_cast<off_t>(first * record_size), SEEK_SET) != 0) return 0;
    return fread(out, record_size, count, f);
}
