// Transfers through an aligned bounce buffer, piece by piece, for a medium
// that takes only aligned buffers (an uncached block device) when the
// caller's buffer is not aligned.
#pragma once

#include <cstddef>
#include <cstdint>

// The medium's own whole transfers: 0 or an errno value.
struct aligned_medium {
    void *medium;
    int (*read)(void *medium, uint64_t offset, void *buffer, uint64_t bytes);
    int (*write)(void *medium, uint64_t offset, const void *buffer, uint64_t bytes);
};

// bounce holds bounce_bytes, a multiple of the medium's sector size.
int read_bounced(const aligned_medium &m, uint64_t offset, void *buffer, uint64_t bytes,
                 void *bounce, size_t bounce_bytes);
int write_bounced(const aligned_medium &m, uint64_t offset, const void *buffer, uint64_t bytes,
                  void *bounce, size_t bounce_bytes);
