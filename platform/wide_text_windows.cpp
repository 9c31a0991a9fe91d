#include "platform/wide_text_windows.h"

#include <windows.h>

std::wstring widen_utf8(const char *text) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

std::string narrow_to_utf8(const wchar_t *text) {
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}
