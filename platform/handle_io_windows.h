// Whole positioned transfers on a Windows file or device handle, shared by
// the file and raw-disk layers: SetFilePointerEx, then ReadFile/WriteFile
// until every byte moved. Statuses are errno values; a transfer that stops
// making progress (end of file, medium gone) fails with EIO. One thread per
// handle: the handle's position is moved.
#pragma once

#include <windows.h>

#include <cstdint>

int handle_read_at(HANDLE h, uint64_t offset, void *buffer, uint64_t bytes);
int handle_write_at(HANDLE h, uint64_t offset, const void *buffer, uint64_t bytes);
