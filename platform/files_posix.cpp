#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/internal_posix.h"

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

int64_t regular_file_size(const char *path) {
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

// Names are UTF-8 bytes already.
FILE *stdio_file_open(const char *name, const char *mode) { return fopen(name, mode); }

bool stream_seek(FILE *f, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user) {
    DIR *d = opendir(path);
    if (d == nullptr) return false;
    while (const dirent *e = readdir(d))
        if (!visit(user, e->d_name)) break;
    closedir(d);
    return true;
}

namespace {

// Distinguishes the temporary files of concurrent writers in one process; the
// process id separates processes.
std::atomic<unsigned> next_serial{0};

}  // namespace

// open(2) with mode 0666 rather than mkstemp, whose 0600 would leave the
// finished file unreadable to others where the umask allows more.
FILE *file_os_create_beside(const char *target, std::string *temp_name) {
    // A rename would replace a file the user made read-only; opening it for
    // writing would have refused.
    if (access(target, W_OK) != 0 && errno != ENOENT) return nullptr;
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = std::string(target) + ".tmp-" + std::to_string(getpid()) + "-" +
                           std::to_string(next_serial++);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return nullptr;
        FILE *f = fdopen(fd, "wb");
        if (f == nullptr) {
            close(fd);
            unlink(name.c_str());
            return nullptr;
        }
        *temp_name = name;
        return f;
    }
    return nullptr;
}

// rename(2) replaces the target atomically within one file system, which the
// temporary file shares with it by being in the same folder.
int file_os_replace(const char *temp_name, const char *target) {
    return rename(temp_name, target) == 0 ? 1 : 0;
}

int file_os_remove(const char *name) { return unlink(name) == 0 ? 1 : 0; }

void *mapped_memory_alloc(size_t bytes) {
    if (bytes == 0) return nullptr;
    // One call maps every page, instead of one fault a page on first touch.
    void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE,
                   -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void mapped_memory_free(void *memory, size_t bytes) {
    if (memory != nullptr) munmap(memory, bytes);
}
