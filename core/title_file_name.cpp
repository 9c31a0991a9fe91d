#include "core/title_file_name.h"

#include <cctype>
#include <cstring>

#include "core/text_copy.h"

namespace {

// Windows takes these as devices, with any extension and in any case.
bool reserved_device_name(const std::string &name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char &c : stem) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const char *device : {"CON", "PRN", "AUX", "NUL"})
        if (stem == device) return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string title_file_name(const std::string &title) {
    std::string name;
    for (unsigned char ch : title)
        name += ch < 0x20 || strchr("<>:\"/\\|?*", ch) != nullptr ? '_' : static_cast<char>(ch);
    // File systems take 255 bytes a name; the extension needs a few.
    name.resize(text_cut_utf8(name.c_str(), TITLE_NAME_MAX));
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name == "." || name == "..") name.clear();
    if (reserved_device_name(name)) name += '_';
    return name;
}
