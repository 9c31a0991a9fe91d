// Internals shared by this folder's Windows files, not for code outside
// platform/. Implemented in internal_windows.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The platform headers report errno values; the Windows files translate the
// system's error codes with this. EIO for any code without a closer errno
// counterpart.
int errno_from_windows_error(DWORD error);

// Whole positioned transfers on a Windows file or device handle, shared by
// the file and raw-disk layers: SetFilePointerEx, then ReadFile/WriteFile
// until every byte moved. Statuses are errno values; a transfer that stops
// making progress (end of file, medium gone) fails with EIO. One thread per
// handle: the handle's position is moved.
int handle_read_at(HANDLE h, uint64_t offset, void *buffer, uint64_t bytes);
int handle_write_at(HANDLE h, uint64_t offset, const void *buffer, uint64_t bytes);

// UTF-8 inside the program, UTF-16 at the Windows API. Both return an empty
// string for text that is not valid in its encoding.
std::wstring widen_utf8(const char *text);
std::string narrow_to_utf8(const wchar_t *text);
