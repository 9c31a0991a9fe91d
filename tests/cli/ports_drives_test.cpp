// Serial ports and card drives from fake /sys and /dev trees, and the text
// and JSON forms `vmk ports` and `vmk card drives` print from them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "cli/listing_text.h"
#include "platform/serial.h"
#include "tests/card/layout/shell.h"
#include "tests/card/store/fake_drive_table.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned DIALOUT = 20;

// /sys/class/tty and /dev with: a USB serial adapter (ttyUSB0) behind a USB
// device with its by-id link, a USB modem-class port (ttyACM0) the user may
// not open, a real UART (ttyS0) and a ttyS1 with no UART behind it.
class fake_ttys : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dev);
        usb_device("ttyUSB0", "usb1/1-1", "0403", "FTDI", "6001", "FT232R USB UART", "A50285BI");
        usb_device("ttyACM0", "usb1/1-2", "2341", "", "0043", "", "");
        uart("ttyS0", "4");
        uart("ttyS1", "0");
        node("ttyUSB0", 0666, 0, DIALOUT);
        node("ttyACM0", 0660, 0, DIALOUT);
        node("ttyS0", 0600, 1000, 1000);
        node("ttyS1", 0660, 0, DIALOUT);
        fs::create_directories(dev + "/serial/by-id");
        fs::create_symlink("../../ttyUSB0", dev + "/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
        user.uid = 1000;
        user.groups = {1000};
    }

    void write(const fs::path &p, const std::string &text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text << "\n";
    }
    void usb_device(const std::string &tty, const std::string &usb, const char *vendor,
                    const char *maker, const char *product_id, const char *product,
                    const char *serial) {
        fs::path device = fs::path(sys) / "devices" / usb;
        write(device / "idVendor", vendor);
        write(device / "idProduct", product_id);
        if (*maker != '\0') write(device / "manufacturer", maker);
        if (*product != '\0') write(device / "product", product);
        if (*serial != '\0') write(device / "serial", serial);
        fs::path interface = device / (usb.substr(usb.find('/') + 1) + ":1.0") / tty;
        fs::create_directories(interface);
        fs::create_directories(tty_root + "/" + tty);
        fs::create_directory_symlink(interface, tty_root + "/" + tty + "/device");
    }
    void uart(const std::string &tty, const char *type) { write(tty_root + "/" + tty + "/type", type); }
    // A modem-class port: its device link is the USB interface itself.
    void acm_device(const std::string &tty, const std::string &usb, const char *vendor,
                    const char *maker, const char *product_id, const char *product,
                    const char *serial) {
        usb_device(tty, usb, vendor, maker, product_id, product, serial);
        fs::path link = tty_root + "/" + tty + "/device";
        fs::path interface = fs::read_symlink(link).parent_path();
        fs::remove(link);
        fs::create_directory_symlink(interface, link);
    }
    void platform_device(const std::string &tty) {
        fs::path device = fs::path(sys) / "devices/platform/soc/fe201000.serial";
        fs::create_directories(device);
        fs::create_directories(tty_root + "/" + tty);
        fs::create_directory_symlink(device, tty_root + "/" + tty + "/device");
    }
    void by_id_link(const std::string &tty, const std::string &name) {
        fs::create_directories(dev + "/serial/by-id");
        fs::create_symlink("../../" + tty, dev + "/serial/by-id/" + name);
    }
    void node(const std::string &name, mode_t mode, uid_t owner, gid_t group) {
        std::string path = dev + "/" + name;
        std::ofstream(path).put('\0');
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_EQ(chown(path.c_str(), owner, group), 0);
    }

    temp_dir dir;
    std::string sys = dir.path("sys"), tty_root = dir.path("sys/class/tty"), dev = dir.path("dev");
    serial_port_user user;
};

}  // namespace

TEST_F(fake_ttys, PortsListUsbAdaptersAndRealUartsWithWhatIsKnown) {
    std::vector<serial_port_info> ports = serial_port_list(tty_root, dev, &user);
    ASSERT_EQ(ports.size(), 3u);  // ttyS1 has no UART
    EXPECT_EQ(ports[0].path, dev + "/ttyACM0");
    EXPECT_EQ(ports[1].path, dev + "/ttyS0");
    EXPECT_EQ(ports[2].path, dev + "/ttyUSB0");

    const serial_port_info &usb = ports[2];
    EXPECT_EQ(usb.by_id, dev + "/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    EXPECT_EQ(usb.usb_vendor, "0403 FTDI");
    EXPECT_EQ(usb.usb_product, "6001 FT232R USB UART");
    EXPECT_EQ(usb.usb_serial, "A50285BI");
    EXPECT_TRUE(usb.can_open);
    EXPECT_EQ(usb.problem, "");

    EXPECT_EQ(ports[0].usb_vendor, "2341");
    EXPECT_EQ(ports[0].by_id, "");
    EXPECT_TRUE(ports[1].can_open);  // the user owns it
    EXPECT_EQ(ports[1].usb_vendor, "");
}

// One port at a time in an otherwise empty tree: which kinds are listed, and
// what is read for each.
TEST_F(fake_ttys, EachKindOfPortAloneIsListedOrLeftOut) {
    struct row {
        const char *context, *name;
        std::function<void()> make;
        bool listed;
        std::string vendor, product, serial;
        bool by_id;
    } rows[] = {
        {"USB serial chip, its USB device two levels up", "ttyUSB3",
         [this] {
             usb_device("ttyUSB3", "usb2/2-1", "1a86", "", "7523", "USB Serial", "");
             node("ttyUSB3", 0660, 0, DIALOUT);
         },
         true, "1a86", "7523 USB Serial", "", false},
        {"modem-class device, the interface its device, with a by-id link", "ttyACM2",
         [this] {
             acm_device("ttyACM2", "usb3/3-4", "2e8a", "Raspberry Pi", "000a", "Pico", "E661");
             node("ttyACM2", 0660, 0, DIALOUT);
             by_id_link("ttyACM2", "usb-Raspberry_Pi_Pico_E661-if00");
         },
         true, "2e8a Raspberry Pi", "000a Pico", "E661", true},
        {"built-in UART", "ttyS4",
         [this] {
             uart("ttyS4", "4");
             node("ttyS4", 0660, 0, DIALOUT);
         },
         true, "", "", "", false},
        {"legacy ttyS node with no UART", "ttyS5",
         [this] {
             uart("ttyS5", "0");
             node("ttyS5", 0660, 0, DIALOUT);
         },
         false, "", "", "", false},
        {"an ARM board's UART, a platform device", "ttyAMA0",
         [this] {
             platform_device("ttyAMA0");
             node("ttyAMA0", 0660, 0, DIALOUT);
         },
         true, "", "", "", false},
        {"virtual console: no device behind it", "tty1",
         [this] {
             fs::create_directories(tty_root + "/tty1");
             node("tty1", 0620, 0, 5);
         },
         false, "", "", "", false},
        {"USB adapter whose node is gone", "ttyUSB4",
         [this] { usb_device("ttyUSB4", "usb2/2-2", "0403", "FTDI", "6001", "", "X"); },
         false, "", "", "", false},
    };
    for (const row &r : rows) {
        fs::remove_all(sys);
        fs::remove_all(dev);
        fs::create_directories(tty_root);
        fs::create_directories(dev);
        r.make();
        std::vector<serial_port_info> ports = serial_port_list(tty_root, dev, &user);
        ASSERT_EQ(ports.size(), r.listed ? 1u : 0u) << r.context;
        if (!r.listed) continue;
        const serial_port_info &p = ports[0];
        EXPECT_EQ(p.path, dev + "/" + r.name) << r.context;
        EXPECT_EQ(p.usb_vendor, r.vendor) << r.context;
        EXPECT_EQ(p.usb_product, r.product) << r.context;
        EXPECT_EQ(p.usb_serial, r.serial) << r.context;
        EXPECT_EQ(p.by_id.empty(), !r.by_id) << r.context << ": " << p.by_id;
    }
}

TEST_F(fake_ttys, PortWithoutPermissionNamesTheGroupToJoin) {
    std::vector<serial_port_info> ports = serial_port_list(tty_root, dev, &user);
    ASSERT_FALSE(ports.empty());
    EXPECT_FALSE(ports[0].can_open);
    EXPECT_EQ(ports[0].problem, "permission denied on " + dev +
                                    "/ttyACM0: add yourself to the group 'dialout' (sudo adduser "
                                    "$USER dialout), then log out and in again");
    user.groups.push_back(DIALOUT);
    EXPECT_TRUE(serial_port_list(tty_root, dev, &user)[0].can_open);
}

TEST_F(fake_ttys, PortsTextAndJson) {
    std::vector<serial_port_info> ports = serial_port_list(tty_root, dev, &user);
    std::string text = ports_text(ports, false);
    EXPECT_NE(text.find(dev + "/ttyUSB0  0403 FTDI, 6001 FT232R USB UART serial A50285BI\n    " +
                        dev + "/serial/by-id/"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(dev + "/ttyACM0  2341, 0043\n    permission denied"), std::string::npos)
        << text;
    std::string json = ports_text(ports, true);
    EXPECT_EQ(json.substr(0, json.find('\n')),
              "{\"path\":\"" + dev + "/ttyACM0\",\"by_id\":\"\",\"friendly_name\":\"\",\"usb_vendor\":\"2341\","
              "\"usb_product\":\"0043\",\"usb_serial\":\"\",\"can_open\":false,\"problem\":"
              "\"permission denied on " + dev + "/ttyACM0: add yourself to the group 'dialout' "
              "(sudo adduser $USER dialout), then log out and in again\"}");
    EXPECT_EQ(ports_text({}, false), "no serial ports found\n");
    EXPECT_EQ(ports_text({}, true), "");
}

// The JSON form read back by a JSON parser, one object a line, with a
// Windows friendly name that needs escaping.
TEST_F(fake_ttys, PortsJsonParses) {
    std::vector<serial_port_info> ports = serial_port_list(tty_root, dev, &user);
    ports[1].friendly_name = "Port \"A\" \\ (COM4)";
    std::string file = dir.path("ports.json");
    std::ofstream(file) << ports_text(ports, true);
    // rows[2] is the USB adapter: ttyACM0, ttyS0, ttyUSB0 in name order.
    std::string said = json_lines_print(
        file, "len(rows), rows[2][\"path\"], rows[2][\"by_id\"], rows[2][\"usb_product\"], "
              "rows[2][\"can_open\"], rows[1][\"friendly_name\"], rows[0][\"can_open\"]");
    EXPECT_EQ(said, "3 " + dev + "/ttyUSB0 " + dev +
                        "/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0 6001 FT232R USB UART "
                        "True Port \"A\" \\ (COM4) False\n");
}

TEST(RejectedDisks, EachDiskThatIsNoCardSaysWhy) {
    fake_system s;
    s.add_disk({.name = "sdb", .dev = "8:16", .model = "USB SD Reader"});  // a card
    s.add_disk({.name = "sda", .removable = 0, .dev = "8:0", .model = "Fixed SSD"});
    s.add_disk({.name = "mmcblk0", .removable = 0, .dev = "179:0", .model = "eMMC", .model_as_name = true});
    s.add_disk({.name = "mmcblk0boot0", .removable = 0, .dev = "179:8", .partitions = 0});
    s.add_disk({.name = "sdc", .size_units = 0, .dev = "8:32"});
    s.add_disk({.name = "sdd", .logical_block = 4096, .dev = "8:48"});
    s.add_disk({.name = "sde", .dev = "8:64", .partitions = 2});
    s.add_mount("8:66", "/", "/dev/sde2");
    fs::create_directories(s.roots.sys_block + "/loop0");  // no device: left out

    std::vector<std::pair<std::string, std::string>> got;
    for (const rejected_disk &r : scan_rejected_disks(s.roots)) got.push_back({r.name, r.reason});
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"mmcblk0", "eMMC, not an SD card"},
                       {"mmcblk0boot0", "eMMC boot or RPMB area, not an SD card"},
                       {"sda", "fixed disk"},
                       {"sdc", "no medium"},
                       {"sdd", "4096-byte sectors"},
                       {"sde", "system disk in use: sde2 mounted at /"},
                   }));
}

using DrivesListing = fake_drive_table_test;

TEST_F(DrivesListing, CardsWithMountsThenWithAllTheRejectedOnes) {
    system.add_disk({.name = "sdb", .dev = "8:16", .model = "USB SD Reader"});
    system.add_mount("8:17", "/media/user/CARD", "/dev/sdb1");
    system.add_disk({.name = "sda", .removable = 0, .dev = "8:0", .model = "Fixed SSD"});
    drive_table_refresh();
    std::vector<drive_row> rows;
    for (const drive_entry &e : drive_table_entries()) rows.push_back({e, {"/media/user/CARD"}});
    ASSERT_EQ(rows.size(), 1u);
    std::string card_line =
        "D  " + system.roots.dev + "/sdb  USB SD Reader  3.7 GiB  mounted at /media/user/CARD\n";
    EXPECT_EQ(drives_text(rows, nullptr, false), card_line);
    std::vector<rejected_disk> rejected = drive_table_rejected();
    EXPECT_EQ(drives_text(rows, &rejected, false),
              card_line + "not cards:\n   " + system.roots.dev +
                  "/sda  Fixed SSD  3.7 GiB  (fixed disk)\n");
    EXPECT_EQ(drives_text(rows, &rejected, true),
              "{\"letter\":\"D\",\"kind\":\"disk\",\"path\":\"" + system.roots.dev +
                  "/sdb\",\"model\":\"USB SD Reader\",\"size_bytes\":3965190144,"
                  "\"has_medium\":true,\"mounts\":[\"/media/user/CARD\"],\"via_service\":false}\n"
                  "{\"letter\":null,\"kind\":\"rejected\",\"path\":\"" +
                  system.roots.dev +
                  "/sda\",\"model\":\"Fixed SSD\",\"size_bytes\":3965190144,\"reason\":\"fixed "
                  "disk\"}\n");

    // A reader the system's disk service opens for the user says so.
    rows[0].via_service = true;
    rows[0].mounts.clear();
    EXPECT_EQ(drives_text(rows, nullptr, false),
              "D  " + system.roots.dev + "/sdb  USB SD Reader  3.7 GiB  via system disk service\n");
    EXPECT_NE(drives_text(rows, nullptr, true).find("\"via_service\":true}"), std::string::npos);
}
