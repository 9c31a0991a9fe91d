#include "card/layout/bkram_area.h"

#include <cstdio>
#include <cstring>

#include "core/text_copy.h"

namespace {

const uint8_t HEADER[6] = {'H', 'U', 'B', 'M', 0x00, 0x88};
const uint8_t FREE_POINTER_EMPTY[2] = {0x10, 0x80};  // 0x8010, little-endian
const size_t NAME_LIMIT = 1023;

}  // namespace

bool bkram_area_holds_data(const uint8_t *area) {
    return memcmp(area, HEADER, sizeof HEADER) == 0 &&
           memcmp(area + sizeof HEADER, FREE_POINTER_EMPTY, sizeof FREE_POINTER_EMPTY) != 0;
}

std::string bkram_file_name(const std::string &path, uint32_t number, const char *name) {
    bool separated = !path.empty() && (path.back() == '/' || path.back() == '\\');
    std::string safe(name, text_cut_utf8(name, NAME_LIMIT));
    for (char &ch : safe)
        if (ch == '/') ch = '_';
    char digits[16];
    snprintf(digits, sizeof digits, "%03u_", number);
    return path + (separated ? "" : "/") + digits + safe + ".sav";
}
