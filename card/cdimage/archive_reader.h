// The members of a .zip or .7z file, read as streams: nothing is unpacked
// to disk. A stream reads its member front to back; a read before the
// current position opens the archive again and reads up to it, which costs
// a second decompression but no copy.
//
// Listing refuses the whole archive for a member whose name is absolute or
// climbs out with "..", for an encrypted member, and for a member declaring
// more bytes than any file of a CD can hold. A stream refuses to read past
// the declared size, and at its end checks that the member ends there and
// passes the archive's own check (CRC).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"

struct archive_member {
    std::string name;  // as stored, '/' between folders
    uint64_t size;     // declared
};

// Whether name ends in .zip or .7z (any letter case).
bool archive_file_name(const std::string &name);

// The regular files in the archive, in stored order; false with a message.
bool archive_list(log_sink *log, const std::string &archive, std::vector<archive_member> *out);

struct archive_stream_state;

struct archive_stream {
    archive_stream(std::string archive, archive_member member);
    ~archive_stream();
    archive_stream(const archive_stream &) = delete;
    archive_stream &operator=(const archive_stream &) = delete;

    // n bytes at offset into out; false with a message naming the member.
    bool read_at(log_sink *log, uint64_t offset, uint8_t *out, size_t n);
    // Reads what is left of the member and checks that it ends at its
    // declared size without a fault; false with a message.
    bool finish(log_sink *log);
    // "archive:member", for messages.
    std::string label() const;

    const std::string archive;
    const archive_member member;

private:
    archive_stream_state *state_ = nullptr;
    uint64_t position_ = 0;
    bool open(log_sink *log);
    void close();
    bool fault(log_sink *log, const char *what);
};

// A whole member of at most limit bytes into *out (finished); false with a
// message.
bool archive_read_member(log_sink *log, const std::string &archive, const archive_member &m,
                         uint64_t limit, std::vector<uint8_t> *out);
