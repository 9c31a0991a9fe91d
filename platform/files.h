// Files by UTF-8 name: positioned reads and writes (card image files, the
// files of a CD image set read straight into place), what a path names,
// C streams opened by name and positioned past 2 GiB, directory listings,
// the system half of replacing a file, and page-backed buffers.
// POSIX: files_posix.cpp; Windows: files_windows.cpp.
//
// Positioned file statuses: 0 for success, otherwise an errno value (the
// Windows file maps the system's error codes to these). Transfers are whole
// or failed: one that runs past the end of the file, or stops making
// progress, fails with EIO. A positioned_file handle is used by one thread at
// a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// --- Positioned file I/O

struct positioned_file;

enum positioned_file_access { POSITIONED_READ_ONLY, POSITIONED_READ_WRITE };

// Opens an existing regular file (the name in UTF-8). Anything else, a
// directory, a device or a FIFO, is refused with ENODEV without waiting on
// it. *out is set only on success.
int positioned_file_open(const char *path, positioned_file_access access, positioned_file **out);
// Does not flush; nullptr is ignored.
void positioned_file_close(positioned_file *f);

// The file's size in bytes now.
int positioned_file_size(positioned_file *f, uint64_t *bytes);

int positioned_file_read_at(positioned_file *f, uint64_t offset, void *buffer, uint64_t bytes);
int positioned_file_write_at(positioned_file *f, uint64_t offset, const void *buffer,
                             uint64_t bytes);

// One piece of a scattered read: consecutive file bytes fill the pieces in
// turn.
struct file_piece {
    void *data;
    size_t bytes;
};
int positioned_file_read_pieces_at(positioned_file *f, uint64_t offset, const file_piece *pieces,
                                   size_t count);

// Returns once everything written is on the medium.
int positioned_file_flush(positioned_file *f);
// Asks the system to start writing the byte range out now and returns
// without waiting, so that a later flush has less left to wait for. Advice
// only: a system without it does nothing.
void positioned_file_start_writeback(positioned_file *f, uint64_t offset, uint64_t bytes);
// Writes the byte range out and asks the system to forget its cached copy, so
// that the next read of it comes from the medium (read-back checks). It need
// not flush the device's own cache: positioned_file_flush does. A system that
// cannot forget a range only flushes.
int positioned_file_drop_cache(positioned_file *f, uint64_t offset, uint64_t bytes);

// --- File status: what a path names, without opening it

// Size in bytes of the regular file at path (the name in UTF-8, links
// followed); -1 when it is no regular file or cannot be examined.
int64_t regular_file_size(const char *path);

// --- C streams

// Opens a C stream by a UTF-8 name. mode is one of fopen's ("rb", "wb",
// ...). Windows' fopen would read the name in the ANSI code page; its file
// widens the name instead.
FILE *stdio_file_open(const char *name, const char *mode);

// Moves the stream to offset bytes from its start, past the 2 GiB that
// fseek's long reaches on some systems; false when it cannot.
bool stream_seek(FILE *f, uint64_t offset);

// --- Directory listing

// Calls visit with each name in the directory (the name in UTF-8; "." and
// ".." may be among them) until visit returns false. False when the
// directory cannot be read.
bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user);

// --- The system half of replacing a file: a fresh temporary file beside the
// target and an atomic move over it

// Creates a new, empty file in the target's folder whose name starts with the
// target's, opened for binary writing. Returns the stream and sets *temp_name,
// or nullptr when the folder refuses it or the target exists and may not be
// written.
FILE *file_os_create_beside(const char *target, std::string *temp_name);
// 1 after moving temp_name over target in one step (an existing target is
// replaced, never left half written), 0 otherwise.
int file_os_replace(const char *temp_name, const char *target);
// Removes a file; 0 when it could not be removed.
int file_os_remove(const char *name);

// --- Mapped memory

// Large zero-filled buffers whose pages are all in place when they are
// handed out. Touching fresh memory page by page costs one fault a page, and
// on some systems (virtual machines above all) a fault costs more than
// copying the page: read-back buffers and the write journal's hashes are
// taken from here.

// Page aligned; nullptr when memory runs out.
void *mapped_memory_alloc(size_t bytes);
// bytes: as given to mapped_memory_alloc. nullptr is ignored.
void mapped_memory_free(void *memory, size_t bytes);

// Owns one such buffer; data is nullptr when memory ran out.
class mapped_buffer {
public:
    explicit mapped_buffer(size_t bytes) : bytes_(bytes), data_(mapped_memory_alloc(bytes)) {}
    ~mapped_buffer() { mapped_memory_free(data_, bytes_); }
    mapped_buffer(mapped_buffer &&other) noexcept : bytes_(other.bytes_), data_(other.data_) {
        other.data_ = nullptr;
    }
    mapped_buffer(const mapped_buffer &) = delete;
    mapped_buffer &operator=(const mapped_buffer &) = delete;
    mapped_buffer &operator=(mapped_buffer &&) = delete;

    template <typename T> T *as() const { return static_cast<T *>(data_); }

private:
    size_t bytes_;
    void *data_;
};
