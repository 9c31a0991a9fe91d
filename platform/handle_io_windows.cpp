#include "platform/handle_io_windows.h"

#include <cerrno>

#include "platform/windows_error.h"

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
