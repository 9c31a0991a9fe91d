// Whole positioned transfers on a file descriptor, shared by the POSIX
// backends: retried on EINTR and on short transfers. A transfer that makes no
// progress (end of file, medium gone) fails with EIO.
#pragma once

#include <cstddef>
#include <cstdint>

int pread_whole(int fd, void *buffer, uint64_t bytes, uint64_t offset);
int pwrite_whole(int fd, const void *buffer, uint64_t bytes, uint64_t offset);

// The same through an aligned bounce buffer of bounce_bytes (a multiple of
// 512), piece by piece: for O_DIRECT descriptors and callers' buffers that
// are not aligned as O_DIRECT requires.
int pread_bounced(int fd, void *buffer, uint64_t bytes, uint64_t offset, void *bounce,
                  size_t bounce_bytes);
int pwrite_bounced(int fd, const void *buffer, uint64_t bytes, uint64_t offset, void *bounce,
                   size_t bounce_bytes);
