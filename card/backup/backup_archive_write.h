// Writing a backup archive: a tar archive compressed with zstd (level 3, on
// two threads), streamed member by member into a file that appears under
// its name only when the archive is complete. Each member's SHA-1 is taken
// as its bytes go by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/log.h"

struct backup_writer;

struct backup_writer_deleter {
    void operator()(backup_writer *w) const;  // abandons an unfinished archive
};
using backup_writer_ptr = std::unique_ptr<backup_writer, backup_writer_deleter>;

// nullptr with a message when the file cannot be created.
backup_writer_ptr backup_writer_open(log_sink *log, const std::string &file_name);

// A member of size bytes; exactly size bytes follow through member_write.
bool backup_member_begin(backup_writer *w, const std::string &name, uint64_t size);
bool backup_member_write(backup_writer *w, const void *data, size_t length);
// Ends the member; its SHA-1 as 40 hexadecimal digits into *sha1.
bool backup_member_end(backup_writer *w, std::string *sha1);

// Closes the archive and moves it to its name. False with a message (the
// file then does not appear).
bool backup_writer_finish(backup_writer *w);
