#include "core/text_copy.h"

#include <cstring>

size_t text_cut_utf8(const char *src, size_t limit) {
    size_t n = strnlen(src, limit + 1);
    if (n <= limit) return n;
    n = limit;
    // Step back over continuation bytes to the lead byte of the cut
    // character, and drop that character too.
    while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) n--;
    return n;
}

void text_copy_utf8(char *dst, size_t capacity, const char *src) {
    if (capacity == 0) return;
    size_t n = text_cut_utf8(src, capacity - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

void append_utf8(std::string &out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
