#include <windows.h>

#include "platform/file_status.h"
#include "platform/wide_text_windows.h"

int64_t regular_file_size(const char *path) {
    std::wstring wide = widen_utf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return -1;
    return static_cast<int64_t>(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
}
