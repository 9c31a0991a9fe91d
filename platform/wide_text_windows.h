// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>

// Both return an empty string for text that is not valid in its encoding.
std::wstring widen_utf8(const char *text);
std::string narrow_to_utf8(const wchar_t *text);
