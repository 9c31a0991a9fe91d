#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How many bytes of src to keep so that at most limit bytes remain and no
// UTF-8 character is split: a character that would not fit whole is dropped,
// so names stay convertible for the image list. src ends at its terminator
// or after limit + 1 bytes, whichever comes first (a raw sector will do).
size_t text_cut_utf8(const char *src, size_t limit);

// Copies at most capacity - 1 bytes of src, cut as text_cut_utf8 cuts, into
// dst and terminates it. Nothing happens for a capacity of 0.
void text_copy_utf8(char *dst, size_t capacity, const char *src);

// Appends code point c (at most U+10FFFF) as UTF-8.
void append_utf8(std::string &out, uint32_t c);
