// Names are UTF-8 everywhere in the program. A std::filesystem::path made
// from a plain std::string is read in the system's narrow code page, which on
// Windows is not UTF-8 (and .string() may even throw there): these go through
// char8_t so the path means the same on every system.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path utf8_path(const std::string &name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

inline std::string path_utf8(const std::filesystem::path &path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
