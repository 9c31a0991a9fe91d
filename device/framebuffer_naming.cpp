#include "device/framebuffer_naming.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/utf8_path.h"
#include "device/framebuffer_png.h"

namespace {

std::string numbered_name(const char *folder, int number) {
    std::string out(strlen(folder) + 16, '\0');
    int n = snprintf(out.data(), out.size(), "%s%04d.%s", folder, number, "png");
    out.resize(static_cast<size_t>(n));
    return out;
}

bool exists(const std::string &name) {
    std::filesystem::path path = utf8_path(name);
    std::error_code error;
    // Anything in the way (a folder too) counts as taken.
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

int fb_first_free_number(int32_t counter, bool (*taken)(void *user, int number), void *user) {
    const int total = FB_PNG_NUMBER_LAST + 1;
    const int start = counter >= 0 && counter <= FB_PNG_NUMBER_LAST ? counter : 0;
    for (int i = 0; i < total; i++) {
        int number = (start + i) % total;
        if (!taken(user, number)) return number;
    }
    return -1;
}

int fb_next_png_name(const char *folder, int32_t *counter, std::string *name) {
    // A capture also writes the sprite layer beside the picture: a number
    // is free only when neither file is there, so neither is replaced.
    auto taken = [](void *user, int number) {
        const std::string picture = numbered_name(static_cast<const char *>(user), number);
        std::string sprites;
        return exists(picture) || (fb_sprite_png_name(picture.c_str(), &sprites) && exists(sprites));
    };
    int number = fb_first_free_number(*counter, taken, const_cast<char *>(folder));
    if (number < 0) return 0;
    *counter = number;
    *name = numbered_name(folder, number);
    return 1;
}
