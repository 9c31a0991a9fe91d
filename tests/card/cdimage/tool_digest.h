// A file's SHA-1 and CRC-32 as the system's own tools print them (sha1sum,
// and crc32 from libarchive-zip-perl, else zlib's crc32 over the file), so
// that checks against them do not trust our own hashing.
#pragma once

#include <cstdint>
#include <string>

struct tool_digest {
    std::string sha1;  // 40 lower-case digits; empty when the tool failed
    std::string crc;   // 8 lower-case digits
    uint64_t size;
};

tool_digest tool_digest_of(const std::string &path);
