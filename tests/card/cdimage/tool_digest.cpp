#include "tests/card/cdimage/tool_digest.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::string first_word(const std::string &command) {
    std::string text;
#ifndef _WIN32
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) return text;
    char buffer[256];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
    if (pclose(p) != 0) return "";
#else
    static_cast<void>(command);
#endif
    return text.substr(0, text.find_first_of(" \t\n"));
}

std::string quoted(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

tool_digest tool_digest_of(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    tool_digest d{first_word("sha1sum " + quoted(path)), "", bytes.size()};
    if (std::system("command -v crc32 >/dev/null 2>&1") == 0) {
        d.crc = first_word("crc32 " + quoted(path));
    } else {
        char text[9];
        snprintf(text, sizeof text, "%08lx",
                 crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(bytes.size())));
        d.crc = text;
    }
    return d;
}
