// A file read and written at byte positions: card image files, and the files
// of a CD image set read straight into place. A handle is used by one thread
// at a time. POSIX: positioned_file_posix.cpp.
//
// Statuses: 0 for success, otherwise an errno value (a Windows layer maps
// its error codes to these). Transfers are whole or failed: one that runs
// past the end of the file, or stops making progress, fails with EIO.
#pragma once

#include <cstddef>
#include <cstdint>

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
