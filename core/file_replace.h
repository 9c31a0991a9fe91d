// Writing a file so that it appears whole or not at all: the data goes to a
// temporary file beside the target, which is moved over the target only when
// everything has been written. Until then an existing target keeps its bytes,
// and whatever goes wrong (a failed transfer, a full disk, a stop request) the
// temporary file is removed.
//
//     file_replace r;
//     if (!file_replace_begin(&r, name)) ...cannot create...
//     ok = file_replace_write(&r, data, n) && ...;
//     ok ? file_replace_commit(&r) : file_replace_abandon(&r);
//
// A record belongs to one thread. After begin it must end in exactly one
// commit or abandon; the destructor abandons a record left open, so an early
// return never leaves a temporary file behind.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct file_replace {
    FILE *stream = nullptr;  // open between begin and commit/abandon
    std::string target;
    std::string temp_name;
    bool failed = false;  // a write fell short; commit will refuse

    file_replace() = default;
    ~file_replace();
    file_replace(const file_replace &) = delete;
    file_replace &operator=(const file_replace &) = delete;
};

// 1 after creating the temporary file for target (UTF-8 name), 0 when the
// folder refuses it; the target is not touched either way.
int file_replace_begin(file_replace *r, const char *target);
// 1 when all length bytes were written, 0 otherwise (the record then only
// abandons). Libraries that write through a FILE * may use r->stream directly
// and call file_replace_write with length 0 to learn of a stream error.
int file_replace_write(file_replace *r, const void *data, size_t length);
// 1 after flushing, closing and moving the temporary file over the target; 0
// when any step failed, in which case the temporary file is removed and the
// target is as it was.
int file_replace_commit(file_replace *r);
// Closes and removes the temporary file; the target is as it was. Harmless on
// a record that was never begun or is already finished.
void file_replace_abandon(file_replace *r);
