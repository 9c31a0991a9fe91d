// What every device command handler receives.
#pragma once

#include "core/log.h"
#include "device/serial_link.h"

struct device_context {
    serial_port *port;
    log_sink *log;
    void *frame_store;  // the frame store for vceget, nullptr otherwise
    // Set by a handler when its operation failed. Several rows return status 0
    // whatever happened; this is how callers learn the truth.
    int failed;
};
