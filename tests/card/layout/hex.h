// Binary fixtures as readable hex dumps, so a failing comparison shows where.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// "offset: xx xx ..." lines of 16 bytes, offsets counted within bytes.
inline std::string hex(const std::vector<uint8_t> &bytes, size_t from, size_t count) {
    std::string out;
    char cell[32];
    for (size_t i = from; i < from + count && i < bytes.size(); i++) {
        if ((i - from) % 16 == 0) {
            if (i != from) out += "\n";
            snprintf(cell, sizeof cell, "%08zx:", i);
            out += cell;
        }
        snprintf(cell, sizeof cell, " %02x", bytes[i]);
        out += cell;
    }
    return out + "\n";
}

inline bool all_bytes(const std::vector<uint8_t> &bytes, size_t from, size_t to, uint8_t value) {
    for (size_t i = from; i < to; i++)
        if (bytes[i] != value) return false;
    return true;
}
