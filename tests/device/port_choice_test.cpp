// The port proposed when the stored one is gone, the name stored for a port,
// and the default port on the command line when a listing finds the adapter.
#include <gtest/gtest.h>

#include <filesystem>

#include "device/port_choice.h"
#include "tests/device/emulator_fixture.h"

namespace {

serial_port_info adapter(const char *path, const char *by_id, const char *serial) {
    serial_port_info p;
    p.path = path;
    p.by_id = by_id;
    p.usb_vendor = "0403 FTDI";
    p.usb_product = "6001 FT232R USB UART";
    p.usb_serial = serial;
    p.can_open = true;
    return p;
}

serial_port_info uart(const char *path) {
    serial_port_info p;
    p.path = path;
    p.can_open = true;
    return p;
}

const char BY_ID_A[] = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const char BY_ID_B[] = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B7734C01-if00-port0";

}  // namespace

TEST(PortChoice, ProposalWhenTheStoredPortIsGone) {
    const serial_port_info a0 = adapter("/dev/ttyUSB0", BY_ID_A, "A50285BI");
    const serial_port_info a1 = adapter("/dev/ttyUSB1", BY_ID_A, "A50285BI");
    const serial_port_info b0 = adapter("/dev/ttyUSB0", BY_ID_B, "B7734C01");
    const serial_port_info b1 = adapter("/dev/ttyUSB1", BY_ID_B, "B7734C01");
    const serial_port_info plain = adapter("/dev/ttyACM0", "", "");
    const serial_port_info s0 = uart("/dev/ttyS0");
    struct row {
        const char *context;
        std::string stored;
        bool present;
        std::string serial;
        std::vector<serial_port_info> ports;
        std::string proposed;  // empty: nothing proposed
        std::string why;
    } rows[] = {
        {"present: left alone", "/dev/ttyUSB0", true, "", {a0}, "", ""},
        {"present, another adapter with the serial: left alone", "/dev/ttyUSB0", true, "A50285BI",
         {b0, a1}, "", ""},
        {"the only adapter, by its stable name", "COM3", false, "", {s0, a0}, BY_ID_A,
         "the only USB serial adapter present"},
        {"the only adapter without a by-id link", "/dev/ttyUSB0", false, "", {plain}, "/dev/ttyACM0",
         "the only USB serial adapter present"},
        {"renamed: matched by serial among two", "/dev/ttyUSB0", false, "A50285BI", {b0, a1},
         BY_ID_A, "the same adapter under another name"},
        {"two adapters, neither the stored one", "/dev/ttyUSB0", false, "C0000000", {b1, a1}, "", ""},
        {"two adapters, serial unknown", "/dev/ttyUSB0", false, "", {b0, a1}, "", ""},
        {"serial not found, one adapter: that one", "/dev/ttyUSB0", false, "C0000000", {b1}, BY_ID_B,
         "the only USB serial adapter present"},
        {"no adapter, only a UART", "COM3", false, "", {s0}, "", ""},
        {"nothing listed", "COM3", false, "", {}, "", ""},
    };
    for (const row &r : rows) {
        port_proposal p;
        bool proposed = port_propose(r.stored, r.present, r.serial, r.ports, &p);
        EXPECT_EQ(proposed, !r.proposed.empty()) << r.context;
        if (!proposed) continue;
        EXPECT_EQ(p.port, r.proposed) << r.context;
        EXPECT_EQ(p.reason.rfind("port " + r.stored + " is not present; proposing " + r.proposed, 0), 0u)
            << r.context << ": " << p.reason;
        EXPECT_EQ(p.reason.substr(p.reason.size() - r.why.size()), r.why) << r.context;
    }
}

TEST(PortChoice, StoredNameIsTheStableOneWhereThereIsOne) {
    std::vector<serial_port_info> ports = {adapter("/dev/ttyUSB1", BY_ID_A, "A50285BI"),
                                           adapter("/dev/ttyACM0", "", ""), uart("/dev/ttyS0")};
    struct row {
        std::string given, stored;
    } rows[] = {
        {"/dev/ttyUSB1", BY_ID_A},
        {"ttyUSB1", BY_ID_A},  // a bare name is looked up in /dev
        {BY_ID_A, BY_ID_A},
        {"/dev/ttyACM0", "/dev/ttyACM0"},  // no link to prefer
        {"COM1", "COM1"},                  // /dev/ttyS0: kept as the user wrote it
        {"/dev/ttyUSB7", "/dev/ttyUSB7"},  // not listed
        {"", ""},
    };
    for (const row &r : rows) EXPECT_EQ(port_stable_name(r.given, ports), r.stored) << r.given;
}

TEST(PortChoice, DescriptionSaysWhatTheAdapterIs) {
    serial_port_info windows = uart("COM4");
    windows.friendly_name = "USB Serial Port (COM4)";
    windows.usb_vendor = "0403 FTDI";
    windows.usb_serial = "A50285BI";
    serial_port_info bare = uart("/dev/ttyACM0");
    bare.usb_serial = "75833353";
    EXPECT_EQ(port_description(adapter("/dev/ttyUSB0", "", "A50285BI")),
              "0403 FTDI, 6001 FT232R USB UART serial A50285BI");
    EXPECT_EQ(port_description(windows), "USB Serial Port (COM4), 0403 FTDI serial A50285BI");
    EXPECT_EQ(port_description(bare), "serial 75833353");
    EXPECT_EQ(port_description(uart("/dev/ttyS0")), "");
}

// The command line without a port: the default COM3 is absent here, so the
// one adapter the listing finds (leading to the emulator) is used and logged.
using DefaultPort = EmulatorTest;

TEST_F(DefaultPort, TheOneAdapterListedIsUsedAndLogged) {
    std::string by_id = serial_tree.add_adapter("ttyUSB0", "A50285BI", board->port_path(),
                                         "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    ASSERT_FALSE(serial_port_exists(DEVICE_DEFAULT_PORT)) << "this machine has a real COM3";
    int ok = -1;
    EXPECT_EQ(run_raw({"reset"}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(board->control_writes().size(), 2u);
    EXPECT_EQ(log.text(), "port COM3 is not present; proposing " + by_id +
                              " (0403 FTDI, 6001 FT232R USB UART serial A50285BI): the only USB "
                              "serial adapter present\n");
}

TEST_F(DefaultPort, TwoAdaptersAreNotGuessedBetweenAndAGivenPortIsNeverReplaced) {
    serial_tree.add_adapter("ttyUSB0", "A50285BI", board->port_path(), "");
    std::string second = serial_tree.add_adapter("ttyUSB1", "B7734C01", board->port_path(), "");
    ASSERT_FALSE(serial_port_exists(DEVICE_DEFAULT_PORT));
    EXPECT_EQ(run_raw({"reset"}), 1);
    EXPECT_EQ(log.text().find("proposing"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("no port was given: the default COM3"), std::string::npos) << log.text();
    EXPECT_TRUE(board->control_writes().empty());

    // A missing port given by name fails, and the one adapter is proposed in the log.
    std::filesystem::remove(second);
    log.writes.clear();
    EXPECT_EQ(run_raw({"reset", serial_tree.roots.dev + "/ttyUSB5"}), 1);
    EXPECT_TRUE(board->control_writes().empty());
    EXPECT_NE(log.text().find("port " + serial_tree.roots.dev + "/ttyUSB5 is not present; proposing " +
                              serial_tree.roots.dev + "/ttyUSB0"),
              std::string::npos)
        << log.text();
}
