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
