#include "platform/drives.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/internal_posix.h"

namespace fs = std::filesystem;

namespace {

std::string read_text(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string decode_octal_escapes(const std::string &field) {
    std::string out;
    for (size_t i = 0; i < field.size(); i++) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        if (octal) {
            int value = 0;
            for (size_t k = 1; k <= 3 && octal; k++) {
                char c = field[i + k];
                octal = c >= '0' && c <= '7';
                value = value * 8 + (c - '0');
            }
            if (octal && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool parse_device_number(const std::string &text, unsigned *major, unsigned *minor) {
    std::istringstream in(text);
    char colon = 0;
    return static_cast<bool>(in >> *major >> colon >> *minor) && colon == ':';
}

bool read_u64(const fs::path &path, uint64_t *value) {
    std::string text = sysfs_first_line(path);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = strtoull(text.c_str(), nullptr, 10);
    return true;
}

bool read_device_number(const fs::path &path, unsigned *major, unsigned *minor) {
    std::istringstream in(sysfs_first_line(path));
    char colon = 0;
    return static_cast<bool>(in >> *major >> colon >> *minor) && colon == ':';
}

bool directory_has_entries(const fs::path &path) {
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    return !ec && it != fs::directory_iterator();
}

// "mmcblk" followed by digits only: the card itself, not the boot or RPMB
// areas of a soldered-on eMMC chip that sit beside it as mmcblk0boot0 etc.
bool is_sd_mmc_card_name(const std::string &name) {
    const std::string prefix = "mmcblk";
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) return false;
    return name.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

bool is_plain_name(const std::string &name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool same_device(const mount_record &m, unsigned major, unsigned minor, const std::string &name) {
    return (m.major == major && m.minor == minor) || m.source == "/dev/" + name;
}

struct device_id {
    std::string name;
    unsigned major, minor;
};

std::vector<device_id> disk_and_partitions(const removable_disk &d) {
    std::vector<device_id> ids{{d.name, d.major, d.minor}};
    for (const disk_partition &p : d.partitions) ids.push_back({p.name, p.major, p.minor});
    return ids;
}

std::vector<disk_partition> read_partitions(const fs::path &disk_dir) {
    std::vector<disk_partition> parts;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(disk_dir, ec)) {
        uint64_t number = 0;
        if (!read_u64(e.path() / "partition", &number)) continue;
        disk_partition p;
        p.name = e.path().filename().string();
        p.number = static_cast<unsigned>(number);
        if (!read_device_number(e.path() / "dev", &p.major, &p.minor)) continue;
        parts.push_back(p);
    }
    std::sort(parts.begin(), parts.end(),
              [](const disk_partition &a, const disk_partition &b) { return a.number < b.number; });
    return parts;
}

// Empty when nothing of the disk is in system use, else what is.
std::string system_use(const drive_scan_roots &roots, const removable_disk &d,
                       const std::vector<mount_record> &mounts) {
    std::vector<std::string> swaps = read_swap_devices(roots.swaps);
    fs::path disk_dir = fs::path(roots.sys_block) / d.name;
    for (const device_id &id : disk_and_partitions(d)) {
        for (const mount_record &m : mounts)
            if (same_device(m, id.major, id.minor, id.name) && is_system_mount_point(m.mount_point))
                return "system disk in use: " + id.name + " mounted at " + m.mount_point;
        if (std::find(swaps.begin(), swaps.end(), "/dev/" + id.name) != swaps.end())
            return "system disk in use: " + id.name + " is swap";
        fs::path dir = id.name == d.name ? disk_dir : disk_dir / id.name;
        if (directory_has_entries(dir / "holders"))
            return "system disk in use: " + id.name + " held by another device (LVM, RAID, encryption)";
    }
    return "";
}

std::string model_of(const fs::path &disk_dir) {
    std::string model = sysfs_first_line(disk_dir / "device" / "model");
    return model.empty() ? sysfs_first_line(disk_dir / "device" / "name") : model;  // SD/MMC: name
}

// Empty when the disk is a candidate (filled into out), else why not.
std::string examine(const drive_scan_roots &roots, const std::string &name, bool require_medium,
                    removable_disk *out) {
    if (!is_plain_name(name)) return "not a disk";
    fs::path dir = fs::path(roots.sys_block) / name;
    uint64_t removable = 0, size_units = 0, logical_block = 0, read_only = 0;
    read_u64(dir / "removable", &removable);
    // A loop device stands for a card image file attached as a disk; one the
    // system attached read-only (packaged software images) is none.
    bool loop = name.rfind("loop", 0) == 0;
    std::string backing_file = loop ? sysfs_first_line(dir / "loop" / "backing_file") : "";
    if (loop && backing_file.empty()) return "loop device without a backing file";
    if (loop && read_u64(dir / "ro", &read_only) && read_only != 0) return "read-only loop device";
    // SD cards in a built-in slot report removable 0; a soldered-on eMMC
    // chip reports the same, and only its device type tells them apart.
    bool sd_card = is_sd_mmc_card_name(name) && sysfs_first_line(dir / "device" / "type") == "SD";
    if (removable != 1 && !sd_card && !loop) {
        if (is_sd_mmc_card_name(name)) return "eMMC, not an SD card";
        if (name.rfind("mmcblk", 0) == 0) return "eMMC boot or RPMB area, not an SD card";
        return "fixed disk";
    }
    // sysfs gives the size in 512-byte units whatever the sector size.
    if (!read_u64(dir / "size", &size_units)) return "size unknown";
    if (require_medium && size_units == 0) return "no medium";
    if (!read_u64(dir / "queue" / "logical_block_size", &logical_block))
        return "sector size unknown";
    if (logical_block != 512) return std::to_string(logical_block) + "-byte sectors";

    removable_disk d;
    d.name = name;
    d.device_path = roots.dev + "/" + name;
    d.size_bytes = size_units * 512;
    if (!read_device_number(dir / "dev", &d.major, &d.minor)) return "device number unknown";
    d.model = loop ? "loop device of " + backing_file : model_of(dir);
    d.partitions = read_partitions(dir);

    std::vector<mount_record> mounts = read_mount_table(roots.mountinfo);
    std::string use = system_use(roots, d, mounts);
    if (!use.empty()) return use;
    for (const disk_partition &p : d.partitions) {
        if (p.number != 1) continue;
        for (const mount_record &m : mounts)
            if (same_device(m, p.major, p.minor, p.name)) {
                d.first_partition_mount = m.mount_point;
                break;
            }
    }
    *out = d;
    return "";
}

std::vector<std::string> disk_names(const drive_scan_roots &roots) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(roots.sys_block, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<mount_record> parse_mountinfo(const std::string &text) {
    std::vector<mount_record> table;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional...] - fstype source super
        std::istringstream in(line);
        std::vector<std::string> fields;
        std::string field;
        while (in >> field) fields.push_back(field);
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") dash++;
        if (fields.size() < 6 || dash + 2 >= fields.size()) continue;
        mount_record r;
        if (!parse_device_number(fields[2], &r.major, &r.minor)) continue;
        r.mount_point = decode_octal_escapes(fields[4]);
        r.source = decode_octal_escapes(fields[dash + 2]);
        table.push_back(r);
    }
    return table;
}

std::vector<mount_record> read_mount_table(const std::string &mountinfo_path) {
    return parse_mountinfo(read_text(mountinfo_path));
}

std::vector<std::string> parse_swaps(const std::string &text) {
    std::vector<std::string> devices;
    std::istringstream lines(text);
    std::string line;
    bool header = true;
    while (std::getline(lines, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::istringstream in(line);
        std::string path;
        if (in >> path) devices.push_back(decode_octal_escapes(path));
    }
    return devices;
}

std::vector<std::string> read_swap_devices(const std::string &swaps_path) {
    return parse_swaps(read_text(swaps_path));
}

bool is_system_mount_point(const std::string &mount_point) {
    if (mount_point == "/") return true;
    for (const char *top : {"/boot", "/usr", "/home", "/var"}) {
        std::string t = top;
        if (mount_point == t || mount_point.rfind(t + "/", 0) == 0) return true;
    }
    return false;
}

bool examine_removable_disk(const drive_scan_roots &roots, const std::string &name,
                            removable_disk *out) {
    return examine(roots, name, true, out).empty();
}

std::vector<removable_disk> scan_removable_disks(const drive_scan_roots &roots,
                                                 bool with_empty_readers) {
    std::vector<removable_disk> disks;
    for (const std::string &name : disk_names(roots)) {
        removable_disk d;
        if (examine(roots, name, !with_empty_readers, &d).empty()) disks.push_back(d);
    }
    return disks;
}

std::vector<rejected_disk> scan_rejected_disks(const drive_scan_roots &roots) {
    std::vector<rejected_disk> rejected;
    for (const std::string &name : disk_names(roots)) {
        fs::path dir = fs::path(roots.sys_block) / name;
        std::error_code ec;
        // Loop, RAM and device-mapper disks have no device behind them.
        if (!fs::exists(dir / "device", ec)) continue;
        removable_disk d;
        std::string reason = examine(roots, name, true, &d);
        if (reason.empty()) continue;
        rejected_disk r;
        r.name = name;
        r.device_path = roots.dev + "/" + name;
        r.model = model_of(dir);
        uint64_t size_units = 0;
        if (read_u64(dir / "size", &size_units)) r.size_bytes = size_units * 512;
        r.reason = reason;
        rejected.push_back(r);
    }
    return rejected;
}

std::vector<std::string> mount_points_of(const drive_scan_roots &roots, const removable_disk &d) {
    std::vector<std::string> points;
    for (const mount_record &m : read_mount_table(roots.mountinfo))
        for (const device_id &id : disk_and_partitions(d))
            if (same_device(m, id.major, id.minor, id.name)) points.push_back(m.mount_point);
    // Later mounts may sit on top of earlier ones: undo them first.
    std::reverse(points.begin(), points.end());
    return points;
}

int removable_disk_unmount_all(const drive_scan_roots &roots, const removable_disk &disk,
                               std::string *failed_at) {
    // No lazy detach: a busy file system must stop the format, not vanish
    // from view while it still writes to the card.
    for (const std::string &point : mount_points_of(roots, disk)) {
        if (umount2(point.c_str(), 0) != 0) {
            *failed_at = point;
            return errno;
        }
    }
    return 0;
}

bool rights_are_full() { return geteuid() == 0; }

bool rights_allow_device_access(const char *path) {
    return faccessat(AT_FDCWD, path, R_OK | W_OK, AT_EACCESS) == 0;
}
