#include "core/file_util.h"

#include "core/file_replace.h"

#include <cctype>
#include <cstring>
#include <string>

#include "platform/files.h"

FILE *file_open(const char *name, const char *mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    static const char *const modes[] = {"rb", "wb", "r", "w"};
    bool known = false;
    for (const char *m : modes) known = known || strcmp(m, mode) == 0;
    if (!known) return nullptr;
    return stdio_file_open(name, mode);
}

FILE *file_open_joined(const char *directory, const char *name, const char *mode) {
    std::string joined = std::string(directory) + name;
    if (joined.size() > 255) return nullptr;
    return file_open(joined.c_str(), mode);
}

int64_t file_size(const char *name) {
    return regular_file_size(name);
}

int file_read_whole(const char *name, void *buffer, size_t length) {
    FILE *f = file_open(name, "rb");
    if (f == nullptr) return 0;
    size_t n = fread(buffer, 1, length, f);
    (void)n;  // a shorter file is not an error
    fclose(f);
    return 1;
}

int file_write_whole(const char *name, const void *data, size_t length) {
    file_replace r;
    if (!file_replace_begin(&r, name)) return 0;
    if (!file_replace_write(&r, data, length)) return 0;
    return file_replace_commit(&r);
}

bool name_has_suffix(const char *name, const char *suffix) {
    const size_t n = strlen(name), k = strlen(suffix);
    if (n < k) return false;
    for (size_t i = 0; i < k; i++)
        if (tolower(static_cast<unsigned char>(name[n - k + i])) != suffix[i]) return false;
    return true;
}
