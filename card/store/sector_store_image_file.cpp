// Image-file backend: positioned reads and writes on a regular file, through
// the system's cache (a file has no stale-cache problem of its own).
#include <cerrno>
#include <new>

#include "card/store/sector_store.h"
#include "platform/files.h"

namespace {

struct image_store : sector_store {
    positioned_file *file = nullptr;
    uint64_t sectors = 0;
};

image_store *self(sector_store *s) { return static_cast<image_store *>(s); }

int image_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    return positioned_file_read_at(self(s)->file, first * 512, buffer, uint64_t{count} * 512);
}

// Below this a write is a header or a table, not a stream of disc data.
constexpr uint32_t WRITEBACK_SECTORS = 512;

int image_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    int status = positioned_file_write_at(self(s)->file, first * 512, buffer, uint64_t{count} * 512);
    // A disc area is hundreds of megabytes: writing it out while the next
    // part is prepared, instead of all of it at the flush that ends the add,
    // overlaps the disk's work with ours.
    if (status == 0 && count >= WRITEBACK_SECTORS)
        positioned_file_start_writeback(self(s)->file, first * 512, uint64_t{count} * 512);
    return status;
}

int image_flush(sector_store *s) { return positioned_file_flush(self(s)->file); }
uint64_t image_sector_count(sector_store *s) { return self(s)->sectors; }

int image_drop_cache(sector_store *s, uint64_t first, uint64_t count) {
    return positioned_file_drop_cache(self(s)->file, first * 512, count * 512);
}

void image_close(sector_store *s) {
    positioned_file_close(self(s)->file);
    delete self(s);
}

const sector_store_ops image_ops = {
    "image", image_read, image_write, image_flush, image_sector_count, nullptr, image_close,
    image_drop_cache,
};

}  // namespace

int image_store_open(const char *path, sector_store **out) {
    *out = nullptr;
    positioned_file *file = nullptr;
    if (int status = positioned_file_open(path, POSITIONED_READ_WRITE, &file)) return status;
    uint64_t bytes = 0;
    int status = positioned_file_size(file, &bytes);
    auto *m = status == 0 ? new (std::nothrow) image_store : nullptr;
    if (m == nullptr) {
        positioned_file_close(file);
        return status != 0 ? status : ENOMEM;
    }
    m->ops = &image_ops;
    m->file = file;
    m->sectors = bytes / 512;
    *out = m;
    return 0;
}
