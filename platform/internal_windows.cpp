#include "platform/internal_windows.h"

#include <windows.h>

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

namespace {

// ReadFile and WriteFile take a 32-bit count; 1 GiB keeps well inside it
// and stays a multiple of any sector size.
constexpr uint64_t MAX_PER_CALL = 1u << 30;

template <typename Transfer>
int whole(HANDLE h, uint64_t offset, uint64_t bytes, Transfer transfer) {
    if (bytes == 0) return 0;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) return errno_from_windows_error(GetLastError());
    for (uint64_t done = 0; done < bytes;) {
        DWORD want = static_cast<DWORD>(bytes - done < MAX_PER_CALL ? bytes - done : MAX_PER_CALL);
        DWORD moved = 0;
        if (!transfer(done, want, &moved)) return errno_from_windows_error(GetLastError());
        if (moved == 0) return EIO;
        done += moved;
    }
    return 0;
}

}  // namespace

int handle_read_at(HANDLE h, uint64_t offset, void *buffer, uint64_t bytes) {
    auto *out = static_cast<char *>(buffer);
    return whole(h, offset, bytes, [&](uint64_t done, DWORD want, DWORD *moved) {
        return ReadFile(h, out + done, want, moved, nullptr) != 0;
    });
}

int handle_write_at(HANDLE h, uint64_t offset, const void *buffer, uint64_t bytes) {
    const auto *in = static_cast<const char *>(buffer);
    return whole(h, offset, bytes, [&](uint64_t done, DWORD want, DWORD *moved) {
        return WriteFile(h, in + done, want, moved, nullptr) != 0;
    });
}

std::wstring widen_utf8(const char *text) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

std::string narrow_to_utf8(const wchar_t *text) {
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}
