#include "tests/platform/fake_serial_tree.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

fake_serial_tree::fake_serial_tree() {
    roots.sys_class_tty = dir.path("sys/class/tty");
    roots.dev = dir.path("dev");
    roots.proc = dir.path("proc");
    roots.root = dir.path("root");
    for (const std::string *d : {&roots.sys_class_tty, &roots.dev, &roots.proc, &roots.root})
        fs::create_directories(*d);
}

std::string fake_serial_tree::add_adapter(const std::string &tty, const std::string &serial,
                                          const std::string &target, const std::string &by_id) {
    fs::path usb = dir.path("sys/devices/usb1/1-" + tty);
    fs::create_directories(usb);
    for (auto [file, text] : {std::pair<const char *, std::string>{"idVendor", "0403"},
                              {"manufacturer", "FTDI"},
                              {"idProduct", "6001"},
                              {"product", "FT232R USB UART"},
                              {"serial", serial}})
        std::ofstream(usb / file) << text << "\n";
    fs::path interface = usb / "1.0" / tty;
    fs::create_directories(interface);
    fs::create_directories(fs::path(roots.sys_class_tty) / tty);
    fs::create_directories(roots.dev);
    fs::create_directory_symlink(interface, fs::path(roots.sys_class_tty) / tty / "device");
    std::string node = roots.dev + "/" + tty;
    fs::create_symlink(target, node);
    if (by_id.empty()) return node;
    fs::create_directories(roots.dev + "/serial/by-id");
    std::string link = roots.dev + "/serial/by-id/" + by_id;
    fs::create_symlink("../../" + tty, link);
    return link;
}
