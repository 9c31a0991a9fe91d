#include <dirent.h>

#include "platform/directory_list.h"

bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user) {
    DIR *d = opendir(path);
    if (d == nullptr) return false;
    while (const dirent *e = readdir(d))
        if (!visit(user, e->d_name)) break;
    closedir(d);
    return true;
}
