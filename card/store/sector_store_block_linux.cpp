#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "card/store/block_device_store.h"
#include "card/store/sector_store_posix_io.h"

namespace {

// O_DIRECT needs buffers aligned to the device's DMA boundary; a page is
// enough for every device. Callers' buffers that are not aligned go through
// a bounce buffer of this many bytes.
constexpr size_t ALIGNMENT = 4096;
constexpr size_t BOUNCE_BYTES = 1 << 20;

struct block_store : sector_store {
    int fd = -1;
    uint64_t sectors = 0;
    void *bounce = nullptr;  // allocated on first unaligned transfer
};

block_store *self(sector_store *s) { return static_cast<block_store *>(s); }

bool aligned(const void *p) { return reinterpret_cast<uintptr_t>(p) % ALIGNMENT == 0; }

bool have_bounce(block_store *b) {
    if (b->bounce == nullptr && posix_memalign(&b->bounce, ALIGNMENT, BOUNCE_BYTES) != 0)
        b->bounce = nullptr;
    return b->bounce != nullptr;
}

int block_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    block_store *b = self(s);
    uint64_t bytes = uint64_t{count} * 512, offset = first * 512;
    if (aligned(buffer)) return pread_whole(b->fd, buffer, bytes, offset);
    if (!have_bounce(b)) return ENOMEM;
    return pread_bounced(b->fd, buffer, bytes, offset, b->bounce, BOUNCE_BYTES);
}

int block_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    block_store *b = self(s);
    uint64_t bytes = uint64_t{count} * 512, offset = first * 512;
    if (aligned(buffer)) return pwrite_whole(b->fd, buffer, bytes, offset);
    if (!have_bounce(b)) return ENOMEM;
    return pwrite_bounced(b->fd, buffer, bytes, offset, b->bounce, BOUNCE_BYTES);
}

// O_DIRECT bypasses the page cache but not the card reader's own cache.
int block_flush(sector_store *s) { return fsync(self(s)->fd) == 0 ? 0 : errno; }

int block_reread_partitions(sector_store *s) {
    if (int status = block_flush(s)) return status;
    return ioctl(self(s)->fd, BLKRRPART) == 0 ? 0 : errno;
}

uint64_t block_sector_count(sector_store *s) { return self(s)->sectors; }

void block_close(sector_store *s) {
    block_store *b = self(s);
    close(b->fd);
    free(b->bounce);
    delete b;
}

const sector_store_ops block_ops = {
    "block device",          block_read,  block_write, block_flush, block_sector_count,
    block_reread_partitions, block_close,
};

block_open_status fail(int fd, block_open_status status, int *error, int code) {
    if (fd >= 0) close(fd);
    *error = code;
    return status;
}

}  // namespace

block_open_status block_store_open(const drive_scan_roots &roots, const std::string &name,
                                   sector_store **out, int *error) {
    *out = nullptr;
    *error = 0;
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return BLOCK_NOT_A_CARD;

    int fd = open(disk.device_path.c_str(), O_RDWR | O_DIRECT | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno == ENOMEDIUM) return fail(fd, BLOCK_NO_MEDIUM, error, errno);
    if (fd < 0) return fail(fd, BLOCK_OPEN_FAILED, error, errno);
    // The node must be the disk that was examined, not whatever the path
    // happens to point at.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode) ||
        st.st_rdev != makedev(disk.major, disk.minor))
        return fail(fd, BLOCK_NOT_A_CARD, error, 0);

    uint64_t length = 0;
    if (ioctl(fd, BLKGETSIZE64, &length) != 0) return fail(fd, BLOCK_OPEN_FAILED, error, errno);
    if (length == 0) return fail(fd, BLOCK_NO_MEDIUM, error, 0);
    int logical_sector = 0;
    if (ioctl(fd, BLKSSZGET, &logical_sector) != 0)
        return fail(fd, BLOCK_OPEN_FAILED, error, errno);
    if (logical_sector != 512) return fail(fd, BLOCK_SECTOR_SIZE, error, 0);

    auto *b = new (std::nothrow) block_store;
    if (b == nullptr) return fail(fd, BLOCK_OPEN_FAILED, error, ENOMEM);
    b->ops = &block_ops;
    b->fd = fd;
    b->sectors = length / 512;
    *out = b;
    return BLOCK_OPENED;
}
