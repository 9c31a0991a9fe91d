#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/block_device.h"
#include "platform/internal_windows.h"

struct block_device {
    HANDLE handle;
    uint64_t size;
    uint32_t sector_size;
};

namespace {

template <typename Out>
bool query(HANDLE h, DWORD code, Out *out) {
    DWORD got = 0;
    return DeviceIoControl(h, code, nullptr, 0, out, sizeof *out, &got, nullptr) && got == sizeof *out;
}

block_device_open_status refuse(HANDLE h, block_device_open_status status) {
    CloseHandle(h);
    return status;
}

}  // namespace

block_device_open_status block_device_open(const removable_disk &disk, bool writable,
                                           block_device **out, int *error) {
    *out = nullptr;
    *error = 0;
    // Without buffering: no sector comes from a stale cached copy.
    DWORD access = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE h = CreateFileA(disk.device_path.c_str(), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = errno_from_windows_error(GetLastError());
        return BLOCK_DEVICE_FAILED;
    }
    STORAGE_DEVICE_NUMBER number{};
    if (!query(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, &number) || number.DeviceNumber != disk.major)
        return refuse(h, BLOCK_DEVICE_OTHER_DISK);
    DWORD got = 0;
    if (!DeviceIoControl(h, IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, nullptr, 0, &got, nullptr))
        return refuse(h, BLOCK_DEVICE_NO_MEDIUM);
    DISK_GEOMETRY geometry{};
    GET_LENGTH_INFORMATION length{};
    if (!query(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, &geometry) ||
        !query(h, IOCTL_DISK_GET_LENGTH_INFO, &length)) {
        *error = errno_from_windows_error(GetLastError());
        return refuse(h, BLOCK_DEVICE_FAILED);
    }
    *out = new (std::nothrow) block_device{h, static_cast<uint64_t>(length.Length.QuadPart),
                                           geometry.BytesPerSector};
    if (*out == nullptr) {
        *error = ENOMEM;
        return refuse(h, BLOCK_DEVICE_FAILED);
    }
    return BLOCK_DEVICE_OPENED;
}

// Windows has no such service: an administrator opens the disk directly.
block_device_open_status block_device_open_via_service(const removable_disk &, bool writable,
                                                       block_device **out, int *error,
                                                       disk_service_status *service,
                                                       std::string *message) {
    *out = nullptr;
    *error = 0;
    int fd = -1;
    std::string object;
    *service = disk_service_open("", writable, &fd, &object, message);
    return BLOCK_DEVICE_FAILED;
}

void block_device_close(block_device *d) {
    if (d == nullptr) return;
    CloseHandle(d->handle);
    delete d;
}

uint64_t block_device_size(block_device *d) { return d->size; }
uint32_t block_device_sector_size(block_device *d) { return d->sector_size; }

int block_device_read(block_device *d, uint64_t offset, void *buffer, uint64_t bytes) {
    return handle_read_at(d->handle, offset, buffer, bytes);
}

int block_device_write(block_device *d, uint64_t offset, const void *buffer, uint64_t bytes) {
    return handle_write_at(d->handle, offset, buffer, bytes);
}

// Unbuffered writes skip the system's cache but not the reader's own.
int block_device_flush(block_device *d) {
    return FlushFileBuffers(d->handle) ? 0 : errno_from_windows_error(GetLastError());
}

int block_device_reread_partitions(block_device *d, std::string *message) {
    DWORD got = 0;
    if (DeviceIoControl(d->handle, IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &got, nullptr))
        return 0;
    int status = errno_from_windows_error(GetLastError());
    *message = strerror(status);
    return status;
}
