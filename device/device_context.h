// What every device command handler receives.
#pragma once

#include "core/command_options.h"
#include "core/log.h"
#include "device/serial_link.h"

struct framebuffer;

struct device_context {
    serial_port *port;
    log_sink *log;
    framebuffer *frame_store;  // the frame store for vceget, nullptr otherwise
    // Set by a handler when its operation failed. Several rows return status 0
    // whatever happened; this is how callers learn the truth.
    int failed;
    // The command's options (command_option_given); nullptr when it has none.
    const command_arguments *arguments;
};
