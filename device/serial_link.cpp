#include "device/serial_link.h"

#include <chrono>

#include "platform/serial.h"

static void progress_none(log_sink *, long) {}
static void progress_gauge(log_sink *l, long count) {
    if (count > 0) gauge_step(l, count);
}

serial_port *serial_open(log_sink *log, const char *name, long baud, int parity, int data_bits) {
    serial_os *handle = serial_os_open(name, baud, parity, data_bits);
    if (handle == nullptr) return nullptr;
    return new serial_port{log, handle, progress_none, SERIAL_IDLE_LIMIT};
}

void serial_close(serial_port *port) {
    if (port == nullptr) return;
    serial_os_close(port->handle);
    delete port;
}

long serial_write(serial_port *port, const void *data, size_t n) {
    long w = serial_os_write(port->handle, data, n);
    if (w < 0) return -1;
    return static_cast<size_t>(w) == n ? static_cast<long>(n) : -2;
}

long serial_write_progress(serial_port *port, const void *data, size_t n) {
    long r = serial_write(port, data, n);
    port->progress(port->progress_user, static_cast<long>(n));
    return r;
}

// An empty pass is one millisecond of silence. Rather than sleeping a
// millisecond at a time, the wait covers the whole idle budget that is left
// and ends the moment bytes arrive: a reply is read at once, a silent board
// fails after idle_limit milliseconds, and a slow stream costs one wake-up per
// arrival instead of one per millisecond.
long serial_read(serial_port *port, void *buffer, size_t n) {
    using clock = std::chrono::steady_clock;
    if (n == 0) return 0;
    unsigned char *p = static_cast<unsigned char *>(buffer);
    size_t have = 0;
    int empty = 0;
    for (;;) {
        auto start = clock::now();
        bool readable = serial_os_wait_readable(port->handle, port->idle_limit - empty);
        long got = readable ? serial_os_read_available(port->handle, p + have, n - have) : 0;
        if (got < 0) return -1;
        if (got > 0) {
            empty = 0;
            have += static_cast<size_t>(got);
        } else {
            auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start);
            empty += waited.count() > 0 ? static_cast<int>(waited.count()) : 1;
            if (empty >= port->idle_limit) return -1;
        }
        port->progress(port->progress_user, got);
        if (have == n) return static_cast<long>(n);
    }
}

long serial_read_quiet(serial_port *port, void *buffer, size_t n) {
    auto saved = port->progress;
    port->progress = progress_none;
    long r = serial_read(port, buffer, n);
    port->progress = saved;
    return r;
}

void serial_progress_on(serial_port *port) { port->progress = progress_gauge; }
void serial_progress_off(serial_port *port) { port->progress = progress_none; }
void serial_set_idle_limit(serial_port *port, int count) { port->idle_limit = count; }
