#include "device/wire_protocol.h"

#include <algorithm>
#include <vector>

#include "core/internal_error.h"
#include "platform/program.h"

void vmk_header_bytes(uint8_t out[5], int port, unsigned address, unsigned length, uint8_t command) {
    out[0] = command;
    out[1] = static_cast<uint8_t>(((port & 7) << 5) | (address & 0x1F));
    out[2] = static_cast<uint8_t>((address >> 5) & 0xFF);
    out[3] = static_cast<uint8_t>(length & 0xFF);
    out[4] = static_cast<uint8_t>((length >> 8) & 0xFF);
}

static void log_bad_reply(log_sink *l, const char *what, uint8_t b) {
    if (b >= 0x20 && b <= 0x7E)
        log_printf(l, "%s = '%c'\n", what, b);
    else
        log_printf(l, "%s = 0x%02x\n", what, b);
}

int vmk_header(serial_port *s, log_sink *l, int port, unsigned address, unsigned length, uint8_t command) {
    // The header has 13 bits for the address and 16 for the length, and the
    // board moves at most one 8 KiB bank per request.
    if (address >= 0x2000 || length > 0x2000) {
        internal_error(address >= 0x2000 ? "address < 0x2000" : "length <= 0x2000");
        return 0;
    }
    uint8_t h[5];
    vmk_header_bytes(h, port, address, length, command);
    if (serial_write(s, h, sizeof h) != 5) {
        log_line(l, "timeout$");
        return 0;
    }
    uint8_t reply;
    if (serial_read_quiet(s, &reply, 1) != 1) {
        log_line(l, "timeout$");
        return 0;
    }
    if (reply != VMK_REPLY_ACCEPT) {
        log_bad_reply(l, "bad reply$", reply);
        return 0;
    }
    return 1;
}

int vmk_write(serial_port *s, log_sink *l, int port, unsigned address, const void *data, size_t length) {
    if (!vmk_header(s, l, port, address, static_cast<unsigned>(length), VMK_CMD_WRITE)) return 0;
    const uint8_t *p = static_cast<const uint8_t *>(data);
    bool counted = port == VMK_PORT_BKRAM || port == VMK_PORT_GPRAM;
    for (size_t done = 0; done < length;) {
        size_t chunk = std::min<size_t>(VMK_WRITE_CHUNK, length - done);
        long w = counted ? serial_write_progress(s, p + done, chunk) : serial_write(s, p + done, chunk);
        uint8_t ack;
        if (w != static_cast<long>(chunk) || serial_read_quiet(s, &ack, 1) != 1) {
            log_line(l, "timeout#");
            return 0;
        }
        done += chunk;
    }
    return 1;
}

int vmk_read_quiet(serial_port *s, log_sink *l, int port, unsigned address, void *buffer, size_t length) {
    if (!vmk_header(s, l, port, address, static_cast<unsigned>(length), VMK_CMD_READ)) return 0;
    return serial_read_quiet(s, buffer, length) == static_cast<long>(length);
}

int vmk_read(serial_port *s, log_sink *l, int port, unsigned address, void *buffer, size_t length) {
    if (!vmk_header(s, l, port, address, static_cast<unsigned>(length), VMK_CMD_READ)) return 0;
    return serial_read(s, buffer, length) == static_cast<long>(length);
}

int vmk_reset_release(serial_port *s, log_sink *l) {
    uint8_t v = 0x01;
    return vmk_write(s, l, VMK_PORT_CONTROL, 0, &v, 1);
}

int vmk_reset_hold(serial_port *s, log_sink *l) {
    uint8_t v = 0x00;
    if (!vmk_write(s, l, VMK_PORT_CONTROL, 0, &v, 1)) return 0;
    platform_sleep_ms(2);
    return 1;
}

int vmk_set_map(serial_port *s, log_sink *l, int map) {
    if (map < 0 || map >= 7) {
        internal_error("map < 7");
        return 0;
    }
    uint8_t v = static_cast<uint8_t>((map * 2) | 0x11);
    return vmk_write(s, l, VMK_PORT_CONTROL, 0, &v, 1);
}

static int read_status(serial_port *s, log_sink *l, uint8_t *status) {
    return vmk_read_quiet(s, l, VMK_PORT_STATUS, 0, status, 1);
}

int vmk_read_version(serial_port *s, log_sink *l, int *nibble) {
    uint8_t b;
    if (!read_status(s, l, &b)) return 0;
    *nibble = b >> 4;
    return 1;
}

int vmk_read_hucard(serial_port *s, log_sink *l, int *present) {
    uint8_t b;
    if (!read_status(s, l, &b)) return 0;
    *present = b & 0x08;
    return 1;
}

int vmk_bkram_write(serial_port *s, log_sink *l, int page, unsigned offset, const void *data, size_t length) {
    return vmk_write(s, l, VMK_PORT_BKRAM, static_cast<unsigned>(page) * 2048 + offset, data, length);
}

int vmk_bkram_read(serial_port *s, log_sink *l, int page, void *buffer, size_t length) {
    return vmk_read(s, l, VMK_PORT_BKRAM, static_cast<unsigned>(page) * 2048, buffer, length);
}

// Walks GPRAM bank by bank: select the bank on port 3, then move 8 KiB through
// the window on port 4. The last bank is moved whole (the size rounds up);
// callers hand buffers of whole banks.
template <typename Move>
static int gpram_walk(serial_port *s, log_sink *l, unsigned address, size_t size, Move move) {
    unsigned bank = address / VMK_BANK_SIZE;
    size_t banks = (size + VMK_BANK_SIZE - 1) / VMK_BANK_SIZE;
    for (size_t i = 0; i < banks; i++, bank++) {
        if (log_stop_requested(l)) return 0;
        uint8_t b = static_cast<uint8_t>(bank);
        if (!vmk_write(s, l, VMK_PORT_GPRAM_BANK, 0, &b, 1)) return 0;
        if (!move(i * VMK_BANK_SIZE)) return 0;
    }
    return 1;
}

int vmk_gpram_read(serial_port *s, log_sink *l, unsigned address, void *buffer, size_t size) {
    uint8_t *p = static_cast<uint8_t *>(buffer);
    return gpram_walk(s, l, address, size, [&](size_t at) {
        return vmk_read(s, l, VMK_PORT_GPRAM, 0, p + at, VMK_BANK_SIZE);
    });
}

int vmk_gpram_write(serial_port *s, log_sink *l, unsigned address, const void *data, size_t size) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    return gpram_walk(s, l, address, size, [&](size_t at) {
        return vmk_write(s, l, VMK_PORT_GPRAM, 0, p + at, VMK_BANK_SIZE);
    });
}

int vmk_bus_read(serial_port *s, log_sink *l, uint8_t request, uint8_t argument, void *buffer, size_t n) {
    uint8_t req[2] = {request, argument};
    if (!vmk_write(s, l, VMK_PORT_BUS, 0, req, 2)) return 0;
    uint8_t response;
    if (serial_read_quiet(s, &response, 1) != 1) {
        log_line(l, "6280 response timeout");
        return 0;
    }
    bool quiet = request >= VMK_BUS_PROBE && request <= VMK_BUS_MB_WRITE;
    if (!quiet) serial_progress_on(s);
    if (request == VMK_BUS_MB_WRITE) serial_set_idle_limit(s, SERIAL_IDLE_LIMIT_SLOW);
    uint8_t *p = static_cast<uint8_t *>(buffer);
    int ok = 1;
    for (size_t done = 0, piece = 0; done < n; piece++) {
        size_t len = std::min<size_t>(VMK_BUS_PIECE, n - done);
        int r = quiet ? vmk_read_quiet(s, l, VMK_PORT_BUS, static_cast<unsigned>(piece), p + done, len)
                      : vmk_read(s, l, VMK_PORT_BUS, static_cast<unsigned>(piece), p + done, len);
        if (!r) {
            log_line(l, "6280 bus read error");
            ok = 0;
            break;
        }
        done += len;
    }
    serial_set_idle_limit(s, SERIAL_IDLE_LIMIT);
    if (ok) serial_progress_off(s);
    return ok;
}

int vmk_bus_banks(serial_port *s, log_sink *l, unsigned first_bank, uint8_t argument, void *buffer,
                  unsigned bank_count) {
    uint8_t *p = static_cast<uint8_t *>(buffer);
    for (unsigned done = 0; done < bank_count;) {
        if (log_stop_requested(l)) return 0;
        unsigned count = std::min<unsigned>(VMK_BUS_MAX_BANKS, bank_count - done);
        if (!vmk_bus_read(s, l, static_cast<uint8_t>(first_bank + done), argument,
                          p + static_cast<size_t>(done) * VMK_BANK_SIZE,
                          static_cast<size_t>(count) * VMK_BANK_SIZE))
            return 0;
        done += count;
    }
    return 1;
}

int vmk_page_program(serial_port *s, log_sink *l, uint32_t address, const uint8_t data[256]) {
    uint8_t cmd[3] = {VMK_CMD_PROGRAM, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address >> 16)};
    uint8_t reply;
    if (serial_write(s, cmd, 3) != 3 || serial_read_quiet(s, &reply, 1) != 1) {
        log_line(l, "timeout$");
        return 0;
    }
    if (reply != VMK_REPLY_ACCEPT) {
        log_line(l, "bad reply$");
        return 0;
    }
    if (serial_write(s, data, 256) != 256 || serial_read_quiet(s, &reply, 1) != 1) {
        log_line(l, "programming timeout");
        return 0;
    }
    if (reply != VMK_REPLY_END) {
        log_line(l, "programming bad reply");
        return 0;
    }
    return 1;
}

void vmk_failure_line(log_sink *l, const char *text) {
    if (!log_stop_point(l)) log_line(l, text);
}

int vmk_reset(serial_port *s, log_sink *l) {
    return vmk_reset_hold(s, l) && vmk_reset_release(s, l);
}
