#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "platform/positioned_file.h"
#include "platform/posix_whole_io.h"

struct positioned_file {
    int fd;
};

int positioned_file_open(const char *path, positioned_file_access access, positioned_file **out) {
    *out = nullptr;
    if (path == nullptr || *path == '\0') return ENOENT;
    int mode = access == POSITIONED_READ_WRITE ? O_RDWR : O_RDONLY;
    // O_NONBLOCK keeps a FIFO from blocking the open before fstat refuses it.
    int fd = open(path, mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat st;
    int status = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : ENODEV;
    if (status == 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        *out = new (std::nothrow) positioned_file{fd};
        if (*out == nullptr) status = ENOMEM;
    }
    if (status != 0) close(fd);
    return status;
}

void positioned_file_close(positioned_file *f) {
    if (f == nullptr) return;
    close(f->fd);
    delete f;
}

int positioned_file_size(positioned_file *f, uint64_t *bytes) {
    struct stat st;
    if (fstat(f->fd, &st) != 0) return errno;
    *bytes = static_cast<uint64_t>(st.st_size);
    return 0;
}

int positioned_file_read_at(positioned_file *f, uint64_t offset, void *buffer, uint64_t bytes) {
    return pread_whole(f->fd, buffer, bytes, offset);
}

int positioned_file_write_at(positioned_file *f, uint64_t offset, const void *buffer,
                             uint64_t bytes) {
    return pwrite_whole(f->fd, buffer, bytes, offset);
}

int positioned_file_read_pieces_at(positioned_file *f, uint64_t offset, const file_piece *pieces,
                                   size_t count) {
    std::vector<iovec> left(count);
    for (size_t i = 0; i < count; i++) left[i] = {pieces[i].data, pieces[i].bytes};
    size_t first = 0;
    while (first < count) {
        int batch = static_cast<int>(std::min<size_t>(count - first, IOV_MAX));
        ssize_t n = preadv(f->fd, &left[first], batch, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        offset += static_cast<uint64_t>(n);
        // A short read leaves the rest of a piece for the next call.
        for (size_t done = static_cast<size_t>(n); done > 0;) {
            size_t take = std::min(done, left[first].iov_len);
            left[first].iov_base = static_cast<char *>(left[first].iov_base) + take;
            left[first].iov_len -= take;
            done -= take;
            if (left[first].iov_len == 0) first++;
        }
        while (first < count && left[first].iov_len == 0) first++;
    }
    return 0;
}

int positioned_file_flush(positioned_file *f) { return fsync(f->fd) == 0 ? 0 : errno; }

void positioned_file_start_writeback(positioned_file *f, uint64_t offset, uint64_t bytes) {
#ifdef __linux__
    sync_file_range(f->fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                    SYNC_FILE_RANGE_WRITE);
#else
    (void)f, (void)offset, (void)bytes;
#endif
}

int positioned_file_drop_cache(positioned_file *f, uint64_t offset, uint64_t bytes) {
#ifdef __linux__
    // Only dirty pages stay cached; writing the range out is enough to drop
    // it. A full sync would also flush the device's own cache each time,
    // which a read-back does not need (the caller flushes when it must).
    if (sync_file_range(f->fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                            SYNC_FILE_RANGE_WAIT_AFTER) != 0)
        return errno;
#else
    if (fdatasync(f->fd) != 0) return errno;
#endif
    // Advice only: a kernel that keeps the pages still returns correct data.
    posix_fadvise(f->fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                  POSIX_FADV_DONTNEED);
    return 0;
}
