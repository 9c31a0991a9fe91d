// Whole positioned transfers on a file descriptor, shared by the POSIX files
// of this folder (regular files, block devices): retried on EINTR and on short transfers. A transfer that makes no
// progress (end of file, medium gone) fails with EIO.
#pragma once

#include <cstddef>
#include <cstdint>

int pread_whole(int fd, void *buffer, uint64_t bytes, uint64_t offset);
int pwrite_whole(int fd, const void *buffer, uint64_t bytes, uint64_t offset);
