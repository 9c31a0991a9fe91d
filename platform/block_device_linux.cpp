#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "platform/block_device.h"
#include "platform/disk_service.h"
#include "platform/internal_posix.h"

struct block_device {
    int fd;
    uint64_t size;
    uint32_t sector_size;
    std::string service_object;  // opened through the disk service: its block object
    bool service_writable;       // which of the service's opens of the disk it shares
};

namespace {

block_device_open_status fail(int fd, block_device_open_status status, int *error, int code) {
    if (fd >= 0) close(fd);
    *error = code;
    return status;
}

// Disks the service opened, shared while any handle on them is open: a
// command that opens its card again while it holds it (the listing file
// written during an add) must not ask the user again, and the service's
// exclusive open would refuse a second one. A read-only open and a
// read-write one of the same disk are shared each on its own.
struct service_opened {
    int fd;
    std::string object;
    int handles;
};

using service_key = std::pair<dev_t, bool>;  // the disk, writable

struct service_table {
    std::mutex lock;
    std::map<service_key, service_opened> disks;
};

service_table &service_disks() {
    static service_table t;
    return t;
}

dev_t device_number(const removable_disk &disk) { return makedev(disk.major, disk.minor); }

// A copy of the descriptor of a disk the service opened earlier, or -1. A
// reader takes a writer's open where there is one; *writable says which.
int shared_descriptor(dev_t number, bool *writable, std::string *object) {
    service_table &t = service_disks();
    std::lock_guard<std::mutex> hold(t.lock);
    auto it = t.disks.find({number, true});
    if (it == t.disks.end() && !*writable) it = t.disks.find({number, false});
    if (it == t.disks.end()) return -1;
    int fd = fcntl(it->second.fd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) return -1;
    it->second.handles++;
    *object = it->second.object;
    *writable = it->first.second;
    return fd;
}

// Keeps the descriptor for later opens; returns the copy the handle uses, or
// -1 (fd closed) when none could be made.
int share_descriptor(service_key key, int fd, const std::string &object) {
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (copy < 0) {
        close(fd);
        return -1;
    }
    service_table &t = service_disks();
    std::lock_guard<std::mutex> hold(t.lock);
    t.disks[key] = service_opened{fd, object, 1};
    return copy;
}

void release_descriptor(service_key key) {
    service_table &t = service_disks();
    std::lock_guard<std::mutex> hold(t.lock);
    auto it = t.disks.find(key);
    if (it == t.disks.end() || --it->second.handles > 0) return;
    close(it->second.fd);
    t.disks.erase(it);
}

// Takes over an open descriptor of the disk.
block_device_open_status adopt(int fd, const removable_disk &disk, const std::string &service_object,
                               bool service_writable, block_device **out, int *error) {
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

    *out = new (std::nothrow)
        block_device{fd, size, static_cast<uint32_t>(logical_sector), service_object, service_writable};
    if (*out == nullptr) return fail(fd, BLOCK_DEVICE_FAILED, error, ENOMEM);
    return BLOCK_DEVICE_OPENED;
}

// The same for a copy of a shared descriptor, which a failure gives back.
block_device_open_status adopt_shared(int fd, const removable_disk &disk, const std::string &object,
                                      bool writable, block_device **out, int *error) {
    if (fd < 0) return fail(fd, BLOCK_DEVICE_FAILED, error, errno);
    block_device_open_status status = adopt(fd, disk, object, writable, out, error);
    if (status != BLOCK_DEVICE_OPENED) release_descriptor({device_number(disk), writable});
    return status;
}

}  // namespace

block_device_open_status block_device_open(const removable_disk &disk, bool writable,
                                           block_device **out, int *error) {
    *out = nullptr;
    *error = 0;
    int fd = open(disk.device_path.c_str(),
                  (writable ? O_RDWR : O_RDONLY) | O_DIRECT | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno == ENOMEDIUM) return fail(fd, BLOCK_DEVICE_NO_MEDIUM, error, errno);
    if (fd < 0) return fail(fd, BLOCK_DEVICE_FAILED, error, errno);
    return adopt(fd, disk, "", false, out, error);
}

block_device_open_status block_device_open_via_service(const removable_disk &disk, bool writable,
                                                       block_device **out, int *error,
                                                       disk_service_status *service,
                                                       std::string *message) {
    *out = nullptr;
    *error = 0;
    std::string object;
    *service = DISK_SERVICE_OK;
    bool shared_writable = writable;
    int fd = shared_descriptor(device_number(disk), &shared_writable, &object);
    if (fd >= 0) return adopt_shared(fd, disk, object, shared_writable, out, error);
    *service = disk_service_open(disk.device_path, writable, &fd, &object, message);
    if (*service != DISK_SERVICE_OK) return BLOCK_DEVICE_FAILED;
    // Past the system's cache as with a node opened here; where the
    // descriptor refuses that, fsync still puts every write on the medium.
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_DIRECT);
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_rdev != device_number(disk)) {
        close(fd);
        *message = "the system disk service opened another disk";
        return BLOCK_DEVICE_OTHER_DISK;
    }
    return adopt_shared(share_descriptor({st.st_rdev, writable}, fd, object), disk, object,
                        writable, out, error);
}

void block_device_close(block_device *d) {
    if (d == nullptr) return;
    struct stat st;
    if (!d->service_object.empty() && fstat(d->fd, &st) == 0)
        release_descriptor({st.st_rdev, d->service_writable});
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

int block_device_reread_partitions(block_device *d, std::string *message) {
    // Without rights on the node the ioctl is refused: the service does it.
    if (!d->service_object.empty())
        return disk_service_rescan(d->service_object, message) == DISK_SERVICE_OK ? 0 : EIO;
    if (ioctl(d->fd, BLKRRPART) == 0) return 0;
    int status = errno;
    *message = strerror(status);
    return status;
}
