#include <sys/stat.h>

#include "platform/file_status.h"

int64_t regular_file_size(const char *path) {
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}
