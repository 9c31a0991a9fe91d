// A title (a game's, an image's stored name) as a file name that every
// file system the program writes to takes.
#pragma once

#include <cstddef>
#include <string>

// Characters file systems refuse become '_', the name is cut (whole UTF-8
// characters) to TITLE_NAME_MAX bytes, trailing dots and spaces go, and a
// device name Windows reserves (CON, COM1, ...) gets a '_' after it. Empty
// when nothing usable is left.
constexpr size_t TITLE_NAME_MAX = 240;
std::string title_file_name(const std::string &title);
