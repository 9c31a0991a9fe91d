#include "core/text_copy.h"

#include <cstring>

void text_copy_utf8(char *dst, size_t capacity, const char *src) {
    if (capacity == 0) return;
    size_t n = strlen(src);
    if (n >= capacity) {
        n = capacity - 1;
        // Step back over continuation bytes to the lead byte of the cut
        // character, and drop that character too.
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) n--;
    }
    memcpy(dst, src, n);
    dst[n] = '\0';
}
