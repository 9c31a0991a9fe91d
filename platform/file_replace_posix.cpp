#include "platform/file_replace_os.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace {

// Distinguishes the temporary files of concurrent writers in one process; the
// process id separates processes.
std::atomic<unsigned> next_serial{0};

}  // namespace

// open(2) with mode 0666 rather than mkstemp, whose 0600 would leave the
// finished file unreadable to others where the umask allows more.
FILE *file_os_create_beside(const char *target, std::string *temp_name) {
    // A rename would replace a file the user made read-only; opening it for
    // writing would have refused.
    if (access(target, W_OK) != 0 && errno != ENOENT) return nullptr;
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = std::string(target) + ".tmp-" + std::to_string(getpid()) + "-" +
                           std::to_string(next_serial++);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return nullptr;
        FILE *f = fdopen(fd, "wb");
        if (f == nullptr) {
            close(fd);
            unlink(name.c_str());
            return nullptr;
        }
        *temp_name = name;
        return f;
    }
    return nullptr;
}

// rename(2) replaces the target atomically within one file system, which the
// temporary file shares with it by being in the same folder.
int file_os_replace(const char *temp_name, const char *target) {
    return rename(temp_name, target) == 0 ? 1 : 0;
}

int file_os_remove(const char *name) { return unlink(name) == 0 ? 1 : 0; }
