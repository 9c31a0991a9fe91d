// Makes this process's writes past a size fail with EFBIG, as a full disk
// would, until scope exit. SIGXFSZ is ignored meanwhile so the write fails
// instead of ending the test.
#pragma once

#include <signal.h>
#include <sys/resource.h>

struct file_size_limit {
    explicit file_size_limit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        old_handler = signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~file_size_limit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, old_handler);
    }
    file_size_limit(const file_size_limit &) = delete;
    file_size_limit &operator=(const file_size_limit &) = delete;
    rlimit saved{};
    void (*old_handler)(int) = nullptr;
};
