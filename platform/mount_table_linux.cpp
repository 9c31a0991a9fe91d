#include <fstream>
#include <sstream>

#include "platform/mount_table_linux.h"

namespace {

std::string read_text(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string decode_octal_escapes(const std::string &field) {
    std::string out;
    for (size_t i = 0; i < field.size(); i++) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        if (octal) {
            int value = 0;
            for (size_t k = 1; k <= 3 && octal; k++) {
                char c = field[i + k];
                octal = c >= '0' && c <= '7';
                value = value * 8 + (c - '0');
            }
            if (octal && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool parse_device_number(const std::string &text, unsigned *major, unsigned *minor) {
    std::istringstream in(text);
    char colon = 0;
    return static_cast<bool>(in >> *major >> colon >> *minor) && colon == ':';
}

}  // namespace

std::vector<mount_record> parse_mountinfo(const std::string &text) {
    std::vector<mount_record> table;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - fstype source super
        std::istringstream in(line);
        std::vector<std::string> fields;
        std::string field;
        while (in >> field) fields.push_back(field);
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") dash++;
        if (fields.size() < 6 || dash + 2 >= fields.size()) continue;
        mount_record r;
        if (!parse_device_number(fields[2], &r.major, &r.minor)) continue;
        r.mount_point = decode_octal_escapes(fields[4]);
        r.source = decode_octal_escapes(fields[dash + 2]);
        table.push_back(r);
    }
    return table;
}

std::vector<mount_record> read_mount_table(const std::string &mountinfo_path) {
    return parse_mountinfo(read_text(mountinfo_path));
}

std::vector<std::string> parse_swaps(const std::string &text) {
    std::vector<std::string> devices;
    std::istringstream lines(text);
    std::string line;
    bool header = true;
    while (std::getline(lines, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::istringstream in(line);
        std::string path;
        if (in >> path) devices.push_back(decode_octal_escapes(path));
    }
    return devices;
}

std::vector<std::string> read_swap_devices(const std::string &swaps_path) {
    return parse_swaps(read_text(swaps_path));
}

bool is_system_mount_point(const std::string &mount_point) {
    if (mount_point == "/") return true;
    for (const char *top : {"/boot", "/usr", "/home", "/var"}) {
        std::string t = top;
        if (mount_point == t || mount_point.rfind(t + "/", 0) == 0) return true;
    }
    return false;
}
