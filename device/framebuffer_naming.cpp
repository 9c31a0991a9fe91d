#include "device/framebuffer_naming.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string numbered_name(const char *folder, int number) {
    std::string out(strlen(folder) + 16, '\0');
    int n = snprintf(out.data(), out.size(), "%s%04d.%s", folder, number, "png");
    out.resize(static_cast<size_t>(n));
    return out;
}

bool exists(const std::string &name) {
    // Names are UTF-8; char8_t makes the path say so on every system.
    std::filesystem::path path(std::u8string(name.begin(), name.end()));
    std::error_code error;
    // Anything in the way (a folder too) counts as taken.
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

int fb_next_png_name(const char *folder, int32_t *counter, std::string *name) {
    const int total = FB_PNG_NUMBER_LAST + 1;
    const int start = *counter >= 0 && *counter <= FB_PNG_NUMBER_LAST ? *counter : 0;
    for (int i = 0; i < total; i++) {
        int number = (start + i) % total;
        std::string candidate = numbered_name(folder, number);
        if (!exists(candidate)) {
            *counter = number;
            *name = candidate;
            return 1;
        }
    }
    return 0;
}
