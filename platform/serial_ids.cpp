#include "platform/serial_ids.h"

#include <cctype>

std::string usb_id_text(const std::string &id, const std::string &text) {
    if (id.empty()) return text;
    return text.empty() ? id : id + " " + text;
}

namespace {

std::string upper(std::string s) {
    for (char &c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

// The four hex digits after "VID_" or "PID_", lower-case; empty when absent.
std::string hex_after(const std::string &id, const char *key) {
    size_t at = upper(id).find(key);
    if (at == std::string::npos) return "";
    std::string digits = id.substr(at + 4, 4);
    if (digits.size() != 4) return "";
    for (char &c : digits) {
        if (!isxdigit(static_cast<unsigned char>(c))) return "";
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return digits;
}

}  // namespace

bool usb_ids_from_hardware_id(const std::string &id, std::string *vendor, std::string *product) {
    std::string v = hex_after(id, "VID_"), p = hex_after(id, "PID_");
    if (v.empty() || p.empty()) return false;
    *vendor = v;
    *product = p;
    return true;
}

std::string usb_serial_from_instance_id(const std::string &id) {
    if (upper(id.substr(0, 4)) != "USB\\") return "";
    size_t last = id.rfind('\\');
    if (last == 3 || last + 1 >= id.size()) return "";
    std::string serial = id.substr(last + 1);
    // The interface of a composite device ("&MI_00") has no serial of its own.
    if (serial.find('&') != std::string::npos ||
        upper(id.substr(0, last)).find("&MI_") != std::string::npos)
        return "";
    return serial;
}
