#include "platform/sysfs_text_linux.h"

#include <cctype>
#include <fstream>

std::string sysfs_first_line(const std::filesystem::path &path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    size_t start = 0;
    while (start < line.size() && isspace(static_cast<unsigned char>(line[start]))) start++;
    return line.substr(start);
}
