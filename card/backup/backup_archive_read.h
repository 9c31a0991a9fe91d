// Reading a backup archive member by member, in one forward pass. Members
// that could lead outside the folder they were made in or are no plain file
// (an absolute name, a "..", a link, a device node) are refused here, as
// are a damaged compressed stream and a cut-short archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/log.h"

struct backup_reader;

struct backup_reader_deleter {
    void operator()(backup_reader *r) const;
};
using backup_reader_ptr = std::unique_ptr<backup_reader, backup_reader_deleter>;

// Whether path is a file that starts as a backup archive does (a zstd
// frame); a card or card image never does.
bool backup_archive_named(const char *path);

// nullptr with a message when the file does not open.
backup_reader_ptr backup_reader_open(log_sink *log, const std::string &file_name);

struct backup_member {
    std::string name;
    uint64_t size;
};

enum backup_next { BACKUP_MEMBER, BACKUP_END, BACKUP_BROKEN };

// The next member (BACKUP_MEMBER), the archive's proper end, or
// BACKUP_BROKEN with a message.
backup_next backup_member_next(backup_reader *r, backup_member *m);

// Up to length bytes of the current member: how many came, 0 at its end,
// -1 with a message when the archive is damaged.
int64_t backup_member_read(backup_reader *r, void *data, size_t length);

// Whether a member name may be unpacked: relative, '/'-separated, no empty,
// "." or ".." part, no '\' or ':'.
bool backup_member_name_safe(const std::string &name);
