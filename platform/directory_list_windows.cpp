#include <windows.h>

#include <string>

#include "platform/directory_list.h"
#include "platform/wide_text_windows.h"

bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user) {
    std::wstring pattern = widen_utf8(path);
    if (pattern.empty()) return false;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = narrow_to_utf8(found.cFileName);
        if (!name.empty() && !visit(user, name.c_str())) break;
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}
