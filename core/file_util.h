// File helpers: every file name in the program is UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Modes "rb", "wb", "r", "w". Returns the open stream or nullptr.
FILE *file_open(const char *name, const char *mode);
// Joins directory and name with no separator added (at most 255 characters)
// and opens the result; nullptr when the joined name is too long.
FILE *file_open_joined(const char *directory, const char *name, const char *mode);
// Size in bytes, or -1 when the file cannot be examined.
int64_t file_size(const char *name);
// 1 after reading up to length bytes from the start of the file (a shorter
// file leaves the rest of the buffer as it was), 0 when it cannot be opened.
int file_read_whole(const char *name, void *buffer, size_t length);
// 1 after writing length bytes as the file's whole content, 0 when it cannot
// be created or the write falls short; a previous file of that name stays as
// it was unless the new content is complete (see file_replace.h).
int file_write_whole(const char *name, const void *data, size_t length);

// Whether name ends in suffix (given in lower case), letters compared in
// either case: ".CUE" and ".cue" name the same kind of file.
bool name_has_suffix(const char *name, const char *suffix);
