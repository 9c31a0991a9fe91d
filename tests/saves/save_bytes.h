// Backup RAM images built by hand from the documented layout, independent of
// the code under test: header "HUBM", end 0x8800, free pointer; entries of
// length (with the 16-byte header), check value, 2-byte id, 10-character
// name, data; two zero bytes at the free pointer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace save_bytes {

inline std::vector<uint8_t> entry(const char *name, size_t data_bytes, uint8_t seed,
                                  uint16_t id = 0) {
    std::vector<uint8_t> e(16 + data_bytes, 0);
    e[0] = static_cast<uint8_t>(e.size());
    e[1] = static_cast<uint8_t>(e.size() >> 8);
    e[4] = static_cast<uint8_t>(id);
    e[5] = static_cast<uint8_t>(id >> 8);
    memset(&e[6], ' ', 10);
    memcpy(&e[6], name, strlen(name));
    for (size_t i = 0; i < data_bytes; i++) e[16 + i] = static_cast<uint8_t>(seed + i * 7);
    unsigned sum = 0;
    for (size_t i = 4; i < e.size(); i++) sum += e[i];
    unsigned check = (0x10000 - (sum & 0xFFFF)) & 0xFFFF;
    e[2] = static_cast<uint8_t>(check);
    e[3] = static_cast<uint8_t>(check >> 8);
    return e;
}

inline std::vector<uint8_t> image(const std::vector<std::vector<uint8_t>> &entries) {
    std::vector<uint8_t> a(2048, 0);
    const uint8_t head[6] = {'H', 'U', 'B', 'M', 0x00, 0x88};
    memcpy(a.data(), head, sizeof head);
    size_t at = 16;
    for (const auto &e : entries) {
        memcpy(&a[at], e.data(), e.size());
        at += e.size();
    }
    a[6] = static_cast<uint8_t>(0x8000 + at);
    a[7] = static_cast<uint8_t>((0x8000 + at) >> 8);
    return a;
}

}  // namespace save_bytes
