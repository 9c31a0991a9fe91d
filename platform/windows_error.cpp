#include "platform/windows_error.h"

#include <cerrno>

int errno_from_windows_error(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_NOT_READY:
        case ERROR_NO_MEDIA_IN_DRIVE:
            return ENODEV;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_HANDLE_EOF:
        case ERROR_SECTOR_NOT_FOUND:
            return ENXIO;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        default:
            return EIO;
    }
}
