// The platform headers report errno values; the Windows layers translate the
// system's error codes with this.
#pragma once

#include <windows.h>

// EIO for any code without a closer errno counterpart.
int errno_from_windows_error(DWORD error);
