#include <windows.h>

#include "platform/rights.h"

// Raw disk access needs an elevated administrator. Systems without the
// elevation token class count as elevated (they had no such split).
bool rights_are_full() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), GENERIC_READ, &token)) return true;
    TOKEN_ELEVATION elevation{};
    DWORD got = 0;
    bool answered = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &got) &&
                    got == sizeof elevation;
    CloseHandle(token);
    return !answered || elevation.TokenIsElevated != 0;
}

// Only elevation opens a physical drive; no group grants it.
bool rights_allow_device_access(const char *) { return false; }
