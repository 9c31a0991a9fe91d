#include "device/port_choice.h"

std::string port_description(const serial_port_info &port) {
    std::string out;
    for (const std::string *part : {&port.friendly_name, &port.usb_vendor, &port.usb_product})
        if (!part->empty()) out += (out.empty() ? "" : ", ") + *part;
    if (!port.usb_serial.empty()) out += (out.empty() ? "serial " : " serial ") + port.usb_serial;
    return out;
}

const serial_port_info *port_find(const std::string &name,
                                  const std::vector<serial_port_info> &ports) {
    if (name.empty()) return nullptr;
    std::string device = serial_os_device_name(name.c_str());
    for (const serial_port_info &p : ports) {
        if (name == p.path || device == serial_os_device_name(p.path.c_str())) return &p;
        if (!p.by_id.empty() && (name == p.by_id || device == p.by_id)) return &p;
    }
    return nullptr;
}

std::string port_stable_name(const serial_port_info &port) {
    return port.by_id.empty() ? port.path : port.by_id;
}

std::string port_stable_name(const std::string &name, const std::vector<serial_port_info> &ports) {
    const serial_port_info *p = port_find(name, ports);
    return p != nullptr && !p->by_id.empty() ? p->by_id : name;
}

namespace {

void propose(const std::string &stored, const serial_port_info &p, const char *why,
             port_proposal *out) {
    out->port = port_stable_name(p);
    std::string what = port_description(p);
    out->reason = "port " + stored + " is not present; proposing " + out->port +
                  (what.empty() ? "" : " (" + what + ")") + ": " + why;
}

}  // namespace

bool port_propose(const std::string &stored, bool stored_present, const std::string &stored_serial,
                  const std::vector<serial_port_info> &ports, port_proposal *out) {
    if (stored_present) return false;
    const serial_port_info *only = nullptr;
    int adapters = 0;
    for (const serial_port_info &p : ports) {
        if (!stored_serial.empty() && p.usb_serial == stored_serial) {
            propose(stored, p, "the same adapter under another name", out);
            return true;
        }
        if (!p.usb_vendor.empty()) {
            adapters++;
            only = &p;
        }
    }
    if (adapters != 1) return false;
    propose(stored, *only, "the only USB serial adapter present", out);
    return true;
}
