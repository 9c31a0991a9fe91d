#pragma once

#include <cstddef>

// Copies src into dst (capacity bytes, terminator included). A text too long
// is cut before the UTF-8 character that would not fit whole, so names stay
// convertible for the image list.
void text_copy_utf8(char *dst, size_t capacity, const char *src);
