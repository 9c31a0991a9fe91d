// Device command table and dispatcher: every device operation is reached
// through an argument vector "", command, arguments..., [port, ...].
#pragma once

#include "core/log.h"
#include "core/status.h"
#include "device/device_context.h"

struct device_command {
    const char *name;
    int argnum;
    int (*handler)(device_context *ctx, log_sink *log, const char *const *args);
    const char *usage;
    // Parses and range-checks the arguments before the port is opened;
    // nullptr when the row has nothing to check there. False refuses the
    // command (status 1) after logging why.
    bool (*check)(log_sink *log, const char *const *args);
    // The options the row takes, as command_options.h declares them;
    // nullptr for none. Handlers read them through ctx->arguments.
    const char *options;
};

// The table, ending with a row whose name is nullptr.
extern const device_command device_commands[];

const device_command *device_command_find(const char *name);

enum { DEVICE_STATUS_NOT_FOUND = VMK_USAGE };
#define DEVICE_DEFAULT_PORT "COM3"

// The port entry of a vector for row h: the entry right after the row's
// arguments, DEVICE_DEFAULT_PORT when the vector ends before it. c counts
// every entry and must leave room for the row's arguments.
const char *device_port_name(const device_command *h, int c, const char *const *v);

// Runs row h on arguments already split by its options: the row's arguments,
// then the port (DEVICE_DEFAULT_PORT when there is none), then entries it
// ignores. Statuses and ok as device_dispatch returns them.
int device_run(log_sink *log, framebuffer *frame_store, const device_command *h,
               const command_arguments &arguments, int *ok = nullptr);

// The vector form, for the window's workers: split once, then device_run.
// The options may stand anywhere after the command name; the port is the
// positional entry after the row's arguments. An option the row does not
// declare stays a positional entry (the command line refuses those first).
// Returns the row's status (VMK_OK, VMK_FAILED; DEVICE_STATUS_NOT_FOUND for
// an unknown command). Several rows return VMK_OK whatever happened on the
// board: when ok is given it receives 1 when the command really did what it
// was asked, 0 otherwise.
int device_dispatch(log_sink *log, framebuffer *frame_store, int c, const char *const *v, int *ok = nullptr);
