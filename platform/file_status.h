// What a path names, without opening it. POSIX: file_status_posix.cpp.
#pragma once

#include <cstdint>

// Size in bytes of the regular file at path (the name in UTF-8, links
// followed); -1 when it is no regular file or cannot be examined.
int64_t regular_file_size(const char *path);
