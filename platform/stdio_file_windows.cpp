#include "platform/stdio_file.h"

#include <string>

#include "platform/wide_text_windows.h"

// Longer names are refused rather than cut: a cut name would open another file.
static constexpr size_t NAME_UNITS_LIMIT = 512;

FILE *stdio_file_open(const char *name, const char *mode) {
    std::wstring wide_name = widen_utf8(name);
    std::wstring wide_mode = widen_utf8(mode);
    if (wide_name.empty() || wide_mode.empty() || wide_name.size() > NAME_UNITS_LIMIT) return nullptr;
    return _wfopen(wide_name.c_str(), wide_mode.c_str());
}
