#include <windows.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "platform/handle_io_windows.h"
#include "platform/positioned_file.h"
#include "platform/wide_text_windows.h"
#include "platform/windows_error.h"

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
