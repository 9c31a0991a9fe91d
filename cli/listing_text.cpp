#include "cli/listing_text.h"

#include <cstdio>

#include "core/json_text.h"
#include "device/port_choice.h"

std::string size_text(uint64_t bytes) {
    char text[32];
    if (bytes >= (1ull << 30))
        snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1ull << 30));
    else if (bytes >= (1ull << 20))
        snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1ull << 20));
    else
        snprintf(text, sizeof text, "%llu KiB", static_cast<unsigned long long>(bytes >> 10));
    return text;
}

namespace {

std::string joined(const std::vector<std::string> &parts, const char *between) {
    std::string out;
    for (const std::string &p : parts)
        if (!p.empty()) out += (out.empty() ? "" : between) + p;
    return out;
}

const char *kind_name(drive_kind kind) {
    switch (kind) {
        case DRIVE_BLOCK_DEVICE: return "disk";
        case DRIVE_IMAGE_FILE: return "image";
        case DRIVE_STORE: return "store";
    }
    return "?";
}

}  // namespace

std::string ports_text(const std::vector<serial_port_info> &ports, bool json) {
    std::string out;
    for (const serial_port_info &p : ports) {
        if (json) {
            out += json_object()
                       .text("path", p.path)
                       .text("by_id", p.by_id)
                       .text("friendly_name", p.friendly_name)
                       .text("usb_vendor", p.usb_vendor)
                       .text("usb_product", p.usb_product)
                       .text("usb_serial", p.usb_serial)
                       .boolean("can_open", p.can_open)
                       .text("problem", p.problem)
                       .line();
            continue;
        }
        std::string what = port_description(p);
        out += p.path + (what.empty() ? "" : "  " + what) + "\n";
        if (!p.by_id.empty()) out += "    " + p.by_id + "\n";
        if (!p.can_open) out += "    " + p.problem + "\n";
    }
    if (!json && ports.empty()) out = "no serial ports found\n";
    return out;
}

std::string drives_text(const std::vector<drive_row> &drives,
                        const std::vector<rejected_disk> *rejected, bool json) {
    std::string out;
    for (const drive_row &d : drives) {
        const drive_entry &e = d.entry;
        if (json) {
            out += json_object()
                       .text("letter", std::string(1, e.letter))
                       .text("kind", kind_name(e.kind))
                       .text("path", e.path)
                       .text("model", e.model)
                       .number("size_bytes", e.size_bytes)
                       .boolean("has_medium", e.has_medium)
                       .texts("mounts", d.mounts)
                       .boolean("via_service", d.via_service)
                       .line();
            continue;
        }
        std::string model = e.kind == DRIVE_IMAGE_FILE ? "card image file" : e.model;
        std::string size = e.has_medium ? size_text(e.size_bytes) : "no card";
        out += std::string(1, e.letter) + "  " + joined({e.path, model, size}, "  ");
        if (!d.mounts.empty()) out += "  mounted at " + joined(d.mounts, ", ");
        if (d.via_service) out += "  via system disk service";
        out += "\n";
    }
    if (!json && drives.empty()) out += "no card drives found\n";
    if (rejected == nullptr) return out;
    if (!json && !rejected->empty()) out += "not cards:\n";
    for (const rejected_disk &r : *rejected) {
        if (json) {
            out += json_object()
                       .null("letter")
                       .text("kind", "rejected")
                       .text("path", r.device_path)
                       .text("model", r.model)
                       .number("size_bytes", r.size_bytes)
                       .text("reason", r.reason)
                       .line();
            continue;
        }
        out += "   " + joined({r.device_path, r.model, size_text(r.size_bytes)}, "  ") + "  (" +
               r.reason + ")\n";
    }
    return out;
}

std::string card_list_text(const card_list &list, bool json, bool dat_column) {
    std::string out;
    for (const card_list_row &r : list.rows) {
        if (json) {
            json_object o;
            o.number("image", r.image_number)
                .text("number", r.number)
                .text("kind", r.kind_mark)
                .text("name", r.name)
                .text("text", r.text)
                .number("flags", r.flags)
                .number("config", r.config)
                .number("sectors", r.length)
                .number("size_bytes", r.size_bytes);
            if (dat_column) o.text("dat", r.dat);
            out += o.line();
            continue;
        }
        char size[32];
        snprintf(size, sizeof size, "%9.1f MiB  ", static_cast<double>(r.size_bytes) / (1 << 20));
        out += size;
        if (dat_column) out += card_list_dat_column(r.dat);
        out += r.text + "\n";
    }
    if (json)
        return out + json_object()
                         .text("capacity", list.capacity_label)
                         .number("used_sectors", list.used_sectors)
                         .number("card_sectors", list.card_sectors)
                         .number("percent", list.percent)
                         .number("blocks", list.blocks)
                         .line();
    return out + list.capacity_label + "\n";
}
