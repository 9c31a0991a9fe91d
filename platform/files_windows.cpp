#include "platform/files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/internal_windows.h"

struct positioned_file {
    HANDLE handle;
};

int positioned_file_open(const char *path, positioned_file_access access, positioned_file **out) {
    *out = nullptr;
    if (path == nullptr || *path == '\0') return ENOENT;
    std::wstring wide = widen_utf8(path);
    if (wide.empty()) return ENOENT;
    DWORD rights = access == POSITIONED_READ_WRITE ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE h = CreateFileW(wide.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // A directory cannot be opened this way; say so as POSIX would.
        DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return ENODEV;
        return errno_from_windows_error(error);
    }
    // Serial ports, pipes and consoles open too: only a disk file is a file.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return ENODEV;
    }
    *out = new (std::nothrow) positioned_file{h};
    if (*out == nullptr) {
        CloseHandle(h);
        return ENOMEM;
    }
    return 0;
}

void positioned_file_close(positioned_file *f) {
    if (f == nullptr) return;
    CloseHandle(f->handle);
    delete f;
}

int positioned_file_size(positioned_file *f, uint64_t *bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f->handle, &size)) return errno_from_windows_error(GetLastError());
    *bytes = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

int positioned_file_read_at(positioned_file *f, uint64_t offset, void *buffer, uint64_t bytes) {
    return handle_read_at(f->handle, offset, buffer, bytes);
}

int positioned_file_write_at(positioned_file *f, uint64_t offset, const void *buffer,
                             uint64_t bytes) {
    return handle_write_at(f->handle, offset, buffer, bytes);
}

// No scatter read for ordinary files on Windows: the pieces lie end to end in
// the file, so the whole span comes in one read and is handed out from there
// (a read and a seek a piece would cost hundreds of calls a batch).
int positioned_file_read_pieces_at(positioned_file *f, uint64_t offset, const file_piece *pieces,
                                   size_t count) {
    uint64_t total = 0;
    for (size_t i = 0; i < count; i++) total += pieces[i].bytes;
    thread_local std::vector<uint8_t> span;
    span.resize(total);
    if (int status = handle_read_at(f->handle, offset, span.data(), total)) return status;
    uint64_t at = 0;
    for (size_t i = 0; i < count; i++) {
        if (pieces[i].bytes > 0) memcpy(pieces[i].data, span.data() + at, pieces[i].bytes);
        at += pieces[i].bytes;
    }
    return 0;
}

int positioned_file_flush(positioned_file *f) {
    return FlushFileBuffers(f->handle) ? 0 : errno_from_windows_error(GetLastError());
}

// The system's lazy writer already writes a buffered handle's data out on
// its own; there is no call to hurry one range.
void positioned_file_start_writeback(positioned_file *, uint64_t, uint64_t) {}

// Windows has no per-range cache eviction for a buffered handle: flushing
// puts the data on the medium, and reads then come from the system cache.
int positioned_file_drop_cache(positioned_file *f, uint64_t, uint64_t) {
    return positioned_file_flush(f);
}

int64_t regular_file_size(const char *path) {
    std::wstring wide = widen_utf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return -1;
    return static_cast<int64_t>(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
}

// Longer names are refused rather than cut: a cut name would open another file.
static constexpr size_t NAME_UNITS_LIMIT = 512;

FILE *stdio_file_open(const char *name, const char *mode) {
    std::wstring wide_name = widen_utf8(name);
    std::wstring wide_mode = widen_utf8(mode);
    if (wide_name.empty() || wide_mode.empty() || wide_name.size() > NAME_UNITS_LIMIT) return nullptr;
    return _wfopen(wide_name.c_str(), wide_mode.c_str());
}

bool stream_seek(FILE *f, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user) {
    std::wstring pattern = widen_utf8(path);
    if (pattern.empty()) return false;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = narrow_to_utf8(found.cFileName);
        if (!name.empty() && !visit(user, name.c_str())) break;
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}

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

void *mapped_memory_alloc(size_t bytes) {
    if (bytes == 0) return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void mapped_memory_free(void *memory, size_t) {
    if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}
