// Serial port layer under the wire protocol: fixed line settings, whole-buffer
// writes, exact-count reads with an idle limit, and optional progress.
// A port record belongs to the one worker thread that runs the command.
#pragma once

#include <cstddef>

#include "core/log.h"

struct serial_os;

struct serial_port {
    log_sink *progress_user;
    serial_os *handle;
    void (*progress)(log_sink *user, long count);
    // Consecutive empty read passes (each waiting at most 1 ms) after which a
    // read fails.
    int idle_limit;
};

enum { SERIAL_IDLE_LIMIT = 1500, SERIAL_IDLE_LIMIT_SLOW = 6000 };

serial_port *serial_open(log_sink *log, const char *name, long baud, int parity, int data_bits);
void serial_close(serial_port *port);

// n when all bytes were written, -2 when fewer were, -1 when the write failed.
long serial_write(serial_port *port, const void *data, size_t n);
long serial_write_progress(serial_port *port, const void *data, size_t n);
// n, or -1 on an error or after idle_limit empty passes in a row.
long serial_read(serial_port *port, void *buffer, size_t n);
long serial_read_quiet(serial_port *port, void *buffer, size_t n);

void serial_progress_on(serial_port *port);
void serial_progress_off(serial_port *port);
void serial_set_idle_limit(serial_port *port, int count);
