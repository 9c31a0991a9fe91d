// Fake-capacity detection: a card that claims more sectors than it holds
// wraps writes past its real size onto earlier sectors. The probe writes a
// distinct marker into sampled sectors over the whole card (the last sectors
// included, denser near the end), reads them back from the medium, and puts
// every touched sector back as it was.
#pragma once

#include <cstdint>
#include <string>

#include "card/store/disk_handle.h"

struct capacity_result {
    uint64_t claimed;  // sectors the card reports
    uint64_t holds;    // sectors it really holds: claimed when every marker came back
};

// False (with a message) when the probe could not read, write or restore.
bool capacity_probe(disk_handle *h, log_sink *log, capacity_result *out);
// "the card reports N sectors but holds only M (K MiB)", for a result whose
// holds is below claimed.
std::string capacity_shortfall_text(const capacity_result &r);
