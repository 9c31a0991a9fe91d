// Which serial port to use when the stored one is gone, and which name of a
// port is worth storing. Plain rules over a port listing; the caller lists
// the ports and logs the proposal.
#pragma once

#include <string>
#include <vector>

#include "platform/serial.h"

// The name to store for a port: its stable by-id link when the listing has
// one for it (a ttyUSB number changes from one plugging to the next), else
// the name as given.
std::string port_stable_name(const std::string &name, const std::vector<serial_port_info> &ports);

// A listed port's stable name: its by-id link, else its node.
std::string port_stable_name(const serial_port_info &port);

// The listed port the name stands for (its node, its by-id link, or the
// same device name), nullptr when none.
const serial_port_info *port_find(const std::string &name,
                                  const std::vector<serial_port_info> &ports);

struct port_proposal {
    std::string port;    // the port to use instead, by its stable name
    std::string reason;  // one log line saying what was found and why
};

// When the stored port is not present (stored_present false): the adapter
// with the stored serial number under whatever name it has now, else the one
// USB serial adapter when exactly one is listed. stored_serial is the USB
// serial number of the adapter last used, empty when unknown. False when
// there is nothing to propose.
bool port_propose(const std::string &stored, bool stored_present, const std::string &stored_serial,
                  const std::vector<serial_port_info> &ports, port_proposal *out);

// "0403 FTDI, 6001 FT232R USB UART serial A50285BI": what the adapter is, or
// the system's friendly name; empty for a port with neither.
std::string port_description(const serial_port_info &port);
