#include "tests/platform/fake_system.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void write_file(const fs::path &p, const std::string &text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

std::string escape_path(const std::string &path) {
    std::string out;
    for (char c : path) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
}

}  // namespace

fake_system::fake_system() {
    roots.sys_block = dir.path("sys/block");
    roots.mountinfo = dir.path("mountinfo");
    roots.swaps = dir.path("swaps");
    roots.dev = dir.path("dev");
    fs::create_directories(roots.sys_block);
    fs::create_directories(roots.dev);
    write_file(roots.mountinfo, "");
    write_file(roots.swaps, swaps_text);
    add_mount("259:1", "/", "/dev/nvme0n1p2");  // the real system lives elsewhere
}

std::string fake_system::partition_name(const std::string &disk, int number) const {
    bool digit_end = !disk.empty() && isdigit(static_cast<unsigned char>(disk.back()));
    return disk + (digit_end ? "p" : "") + std::to_string(number);
}

void fake_system::add_disk(const fake_disk &d) {
    fs::path base = fs::path(roots.sys_block) / d.name;
    write_file(base / "removable", std::to_string(d.removable) + "\n");
    write_file(base / "size", std::to_string(d.size_units) + "\n");
    write_file(base / "queue/logical_block_size", std::to_string(d.logical_block) + "\n");
    write_file(base / "dev", d.dev + "\n");
    write_file(base / "device" / (d.model_as_name ? "name" : "model"), d.model + "   \n");
    if (!d.mmc_type.empty()) write_file(base / "device" / "type", d.mmc_type + "\n");
    write_file(base / "ro", std::to_string(d.read_only) + "\n");
    if (!d.loop_backing.empty()) write_file(base / "loop" / "backing_file", d.loop_backing + "\n");
    fs::create_directories(base / "holders");
    unsigned major = std::stoul(d.dev), minor = std::stoul(d.dev.substr(d.dev.find(':') + 1));
    for (int i = 1; i <= d.partitions; i++) {
        fs::path p = base / partition_name(d.name, i);
        write_file(p / "partition", std::to_string(i) + "\n");
        write_file(p / "dev", std::to_string(major) + ":" + std::to_string(minor + i) + "\n");
        fs::create_directories(p / "holders");
    }
    write_file(fs::path(roots.dev) / d.name, "");
}

void fake_system::hold_partition(const std::string &disk, const std::string &partition) {
    write_file(fs::path(roots.sys_block) / disk / partition / "holders" / "dm-0", "");
}

void fake_system::add_mount(const std::string &dev, const std::string &point,
                            const std::string &source) {
    static int id = 20;
    id++;
    mountinfo_text += std::to_string(id) + " 1 " + dev + " / " + escape_path(point) +
                      " rw,relatime shared:1 - vfat " + source + " rw\n";
    write_file(roots.mountinfo, mountinfo_text);
}

void fake_system::add_swap(const std::string &device) {
    swaps_text += device + "\tpartition\t1048572\t0\t-2\n";
    write_file(roots.swaps, swaps_text);
}

void add_standard_disks(fake_system &s) {
    s.add_disk({.name = "sdb", .dev = "8:16", .model = "USB SD Reader"});
    s.add_disk({.name = "mmcblk0",
                .removable = 0,
                .dev = "179:0",
                .model = "SU08G",
                .model_as_name = true,
                .mmc_type = "SD"});
    s.add_disk({.name = "sda", .removable = 0, .dev = "8:0", .model = "Fixed", .partitions = 2});
    s.add_disk({.name = "sdc", .dev = "8:32", .model = "Live USB", .partitions = 2});
    s.add_mount("8:34", "/", "/dev/sdc2");
}
