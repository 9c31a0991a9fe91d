#include "core/file_util.h"

#include <cstring>
#include <string>

#include "platform/file_status.h"

// On POSIX the names are UTF-8 bytes already; a Windows layer converts them to
// at most 512 UTF-16 units here and fails the open when they do not fit.
FILE *file_open(const char *name, const char *mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    static const char *const modes[] = {"rb", "wb", "r", "w"};
    bool known = false;
    for (const char *m : modes) known = known || strcmp(m, mode) == 0;
    if (!known) return nullptr;
    return fopen(name, mode);
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
    FILE *f = file_open(name, "wb");
    if (f == nullptr) return 0;
    bool ok = fwrite(data, 1, length, f) == length;
    ok = fclose(f) == 0 && ok;
    return ok ? 1 : 0;
}
