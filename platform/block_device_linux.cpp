#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/block_device.h"
#include "platform/posix_whole_io.h"

struct block_device {
    int fd;
    uint64_t size;
    uint32_t sector_size;
};

namespace {

block_device_open_status fail(int fd, block_device_open_status status, int *error, int code) {
    if (fd >= 0) close(fd);
    *error = code;
    return status;
}

}  // namespace

block_device_open_status block_device_open(const removable_disk &disk, block_device **out,
                                           int *error) {
    *out = nullptr;
    *error = 0;
    int fd = open(disk.device_path.c_str(), O_RDWR | O_DIRECT | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno == ENOMEDIUM) return fail(fd, BLOCK_DEVICE_NO_MEDIUM, error, errno);
    if (fd < 0) return fail(fd, BLOCK_DEVICE_FAILED, error, errno);
    // The node must be the disk that was examined, not whatever the path
    // happens to point at.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode) ||
        st.st_rdev != makedev(disk.major, disk.minor))
        return fail(fd, BLOCK_DEVICE_OTHER_DISK, error, 0);

    uint64_t size = 0;
    if (ioctl(fd, BLKGETSIZE64, &size) != 0) return fail(fd, BLOCK_DEVICE_FAILED, error, errno);
    int logical_sector = 0;
    if (size != 0 && ioctl(fd, BLKSSZGET, &logical_sector) != 0)
        return fail(fd, BLOCK_DEVICE_FAILED, error, errno);

    *out = new (std::nothrow) block_device{fd, size, static_cast<uint32_t>(logical_sector)};
    if (*out == nullptr) return fail(fd, BLOCK_DEVICE_FAILED, error, ENOMEM);
    return BLOCK_DEVICE_OPENED;
}

void block_device_close(block_device *d) {
    if (d == nullptr) return;
    close(d->fd);
    delete d;
}

uint64_t block_device_size(block_device *d) { return d->size; }
uint32_t block_device_sector_size(block_device *d) { return d->sector_size; }

int block_device_read(block_device *d, uint64_t offset, void *buffer, uint64_t bytes) {
    return pread_whole(d->fd, buffer, bytes, offset);
}

int block_device_write(block_device *d, uint64_t offset, const void *buffer, uint64_t bytes) {
    return pwrite_whole(d->fd, buffer, bytes, offset);
}

int block_device_flush(block_device *d) { return fsync(d->fd) == 0 ? 0 : errno; }

int block_device_reread_partitions(block_device *d) {
    return ioctl(d->fd, BLKRRPART) == 0 ? 0 : errno;
}
