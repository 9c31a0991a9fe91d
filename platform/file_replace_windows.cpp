#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/file_replace_os.h"
#include "platform/wide_text_windows.h"
#include "platform/windows_error.h"

namespace {

// Distinguishes the temporary files of concurrent writers in one process; the
// process id separates processes.
std::atomic<unsigned> next_serial{0};

void set_errno_from_last_error() { errno = errno_from_windows_error(GetLastError()); }

}  // namespace

FILE *file_os_create_beside(const char *target, std::string *temp_name) {
    std::wstring wide_target = widen_utf8(target);
    if (wide_target.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    // Moving over a read-only file succeeds where opening it for writing
    // would have refused: refuse here as well.
    DWORD attributes = GetFileAttributesW(wide_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        errno = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : EACCES;
        return nullptr;
    }
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = std::string(target) + ".tmp-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(next_serial++);
        std::wstring wide = widen_utf8(name.c_str());
        // No security attributes: the handle is not inherited by child
        // processes. Sharing for reading only, so nobody writes or deletes it
        // under the writer.
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            errno = errno_from_windows_error(error);
            return nullptr;
        }
        // The descriptor owns the handle from here, the stream the descriptor.
        int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            DeleteFileW(wide.c_str());
            errno = EMFILE;
            return nullptr;
        }
        FILE *f = _fdopen(fd, "wb");
        if (f == nullptr) {
            int e = errno;
            _close(fd);
            DeleteFileW(wide.c_str());
            errno = e;
            return nullptr;
        }
        *temp_name = name;
        return f;
    }
    errno = EEXIST;
    return nullptr;
}

// The temporary file shares the target's folder and so its volume, where the
// move is a rename that replaces the target in one step. Write-through: the
// call returns only once the rename is on the disk, as a card may be pulled
// right after.
int file_os_replace(const char *temp_name, const char *target) {
    std::wstring from = widen_utf8(temp_name), to = widen_utf8(target);
    if (from.empty() || to.empty()) {
        errno = EINVAL;
        return 0;
    }
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        set_errno_from_last_error();
        return 0;
    }
    return 1;
}

int file_os_remove(const char *name) {
    std::wstring wide = widen_utf8(name);
    if (wide.empty()) {
        errno = EINVAL;
        return 0;
    }
    if (!DeleteFileW(wide.c_str())) {
        set_errno_from_last_error();
        return 0;
    }
    return 1;
}
