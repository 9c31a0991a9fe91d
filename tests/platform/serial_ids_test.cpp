// The ids Windows keeps for a port's device, read as text.
#include <gtest/gtest.h>

#include "platform/serial_ids.h"

TEST(SerialIds, HardwareIdsGiveVendorAndProduct) {
    struct row {
        const char *id, *vendor, *product;  // empty vendor: no ids found
    } rows[] = {
        {"USB\\VID_0403&PID_6001&REV_0600", "0403", "6001"},
        {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "0403", "6001"},
        {"USB\\VID_1A86&PID_7523", "1a86", "7523"},          // lower-cased like sysfs
        {"usb\\vid_10c4&pid_ea60", "10c4", "ea60"},          // any case
        {"ACPI\\PNP0501", "", ""},                           // a built-in UART
        {"USB\\VID_04&PID_6001", "", ""},                    // short vendor id
        {"USB\\VID_0403&PID_60G1", "", ""},                  // not hex
        {"USB\\VID_0403", "", ""},                           // id cut off
        {"", "", ""},
    };
    for (const row &r : rows) {
        std::string vendor = "untouched", product = "untouched";
        bool found = usb_ids_from_hardware_id(r.id, &vendor, &product);
        EXPECT_EQ(found, *r.vendor != '\0') << r.id;
        EXPECT_EQ(vendor, found ? r.vendor : "untouched") << r.id;
        EXPECT_EQ(product, found ? r.product : "untouched") << r.id;
    }
}

TEST(SerialIds, InstanceIdsGiveTheSerialNumberOnlyWhenTheDeviceHasOne) {
    struct row {
        const char *id, *serial;
    } rows[] = {
        {"USB\\VID_0403&PID_6001\\A50285BI", "A50285BI"},
        {"USB\\VID_2341&PID_0043\\75833353035351E05191", "75833353035351E05191"},
        {"USB\\VID_1A86&PID_7523\\5&2A3C1B0&0&2", ""},        // made up by Windows
        {"USB\\VID_2E8A&PID_000A&MI_00\\6&1F2A3B&0&0000", ""}, // a composite device's interface
        {"USB\\VID_2E8A&PID_000A&MI_00\\E66138935F1E", ""},
        {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", ""},   // the bus driver's port, not the device
        {"USB\\VID_0403&PID_6001\\", ""},
        {"USB\\", ""},
        {"", ""},
    };
    for (const row &r : rows) EXPECT_EQ(usb_serial_from_instance_id(r.id), r.serial) << r.id;
}
