// Image-file backend: positioned reads and writes on a regular file, through
// the page cache (a file has no stale-cache problem of its own), fsync to
// flush.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "card/store/sector_store.h"
#include "card/store/sector_store_posix_io.h"

namespace {

struct image_store : sector_store {
    int fd = -1;
    uint64_t sectors = 0;
};

image_store *self(sector_store *s) { return static_cast<image_store *>(s); }

int image_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    return pread_whole(self(s)->fd, buffer, uint64_t{count} * 512, first * 512);
}

int image_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    return pwrite_whole(self(s)->fd, buffer, uint64_t{count} * 512, first * 512);
}

int image_flush(sector_store *s) { return fsync(self(s)->fd) == 0 ? 0 : errno; }
uint64_t image_sector_count(sector_store *s) { return self(s)->sectors; }

void image_close(sector_store *s) {
    close(self(s)->fd);
    delete self(s);
}

const sector_store_ops image_ops = {
    "image", image_read, image_write, image_flush, image_sector_count, nullptr, image_close,
};

}  // namespace

int image_store_open(const char *path, sector_store **out) {
    *out = nullptr;
    if (path == nullptr || *path == '\0') return ENOENT;
    // O_NONBLOCK keeps a FIFO from blocking the open before fstat refuses it.
    int fd = open(path, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat st;
    int status = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : ENODEV;
    if (status != 0) {
        close(fd);
        return status;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto *m = new (std::nothrow) image_store;
    if (m == nullptr) {
        close(fd);
        return ENOMEM;
    }
    m->ops = &image_ops;
    m->fd = fd;
    m->sectors = static_cast<uint64_t>(st.st_size) / 512;
    *out = m;
    return 0;
}
