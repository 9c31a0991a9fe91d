// What a USB serial adapter is, as text both port listings share, and the
// reading of the ids Windows keeps for a device (plain text, so the Linux
// tests check it too).
#pragma once

#include <string>

// "0403 FTDI": an id and the maker's or product's text, either may be empty.
std::string usb_id_text(const std::string &id, const std::string &text);

// The vendor and product ids, lower-case hex as Linux prints them, from a
// hardware id: "USB\VID_0403&PID_6001&REV_0600", or a bus driver's
// "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000". False when it names none.
bool usb_ids_from_hardware_id(const std::string &id, std::string *vendor, std::string *product);

// The serial number in a USB device's instance id "USB\VID_0403&PID_6001\A50285BI";
// empty for any other id, and for one whose last part Windows made up because
// the device has no serial number ("USB\VID_1A86&PID_7523\5&2A3C1B0&0&2").
std::string usb_serial_from_instance_id(const std::string &id);
