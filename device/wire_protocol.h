// The board's wire protocol. The host always speaks first; register-block
// access is a 5-byte header answered by '$' before data flows. Every
// primitive returns 1 on success, 0 on failure after writing one message line
// to the log.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/log.h"
#include "device/serial_link.h"

enum {
    VMK_CMD_WRITE = 0x57,  // 'W'
    VMK_CMD_READ = 0x52,   // 'R'
    VMK_CMD_PROGRAM = 0x50,  // 'P'
    VMK_CMD_FRAME = 0x46,  // 'F'
    VMK_REPLY_ACCEPT = 0x24,  // '$'
    VMK_REPLY_END = 0x40,
    VMK_REPLY_LINE = 0x25,  // '%'
};

// Board ports.
enum {
    VMK_PORT_CONTROL = 0,
    VMK_PORT_STATUS = 1,
    VMK_PORT_BKRAM = 2,
    VMK_PORT_GPRAM_BANK = 3,
    VMK_PORT_GPRAM = 4,
    VMK_PORT_COUNTER = 5,
    VMK_PORT_CLOCK = 6,
    VMK_PORT_BUS = 7,
};

enum {
    VMK_BANK_SIZE = 0x2000,
    VMK_WRITE_CHUNK = 256,
    VMK_BUS_PIECE = 8192,
    VMK_BUS_MAX_BANKS = 7,
    VMK_BUS_PROBE = 0x80,
    VMK_BUS_MB_SIGNATURE = 0x81,
    VMK_BUS_MB_WRITE = 0x82,
};

// Fills the 5 header bytes.
void vmk_header_bytes(uint8_t out[5], int port, unsigned address, unsigned length, uint8_t command);

int vmk_header(serial_port *s, log_sink *l, int port, unsigned address, unsigned length, uint8_t command);
int vmk_write(serial_port *s, log_sink *l, int port, unsigned address, const void *data, size_t length);
int vmk_read_quiet(serial_port *s, log_sink *l, int port, unsigned address, void *buffer, size_t length);
int vmk_read(serial_port *s, log_sink *l, int port, unsigned address, void *buffer, size_t length);

int vmk_reset_release(serial_port *s, log_sink *l);
int vmk_reset_hold(serial_port *s, log_sink *l);
int vmk_set_map(serial_port *s, log_sink *l, int map);
int vmk_read_version(serial_port *s, log_sink *l, int *nibble);
int vmk_read_hucard(serial_port *s, log_sink *l, int *present);

int vmk_bkram_write(serial_port *s, log_sink *l, int page, unsigned offset, const void *data, size_t length);
int vmk_bkram_read(serial_port *s, log_sink *l, int page, void *buffer, size_t length);
int vmk_gpram_read(serial_port *s, log_sink *l, unsigned address, void *buffer, size_t size);
int vmk_gpram_write(serial_port *s, log_sink *l, unsigned address, const void *data, size_t size);

int vmk_bus_read(serial_port *s, log_sink *l, uint8_t request, uint8_t argument, void *buffer, size_t n);
int vmk_bus_banks(serial_port *s, log_sink *l, unsigned first_bank, uint8_t argument, void *buffer,
                  unsigned bank_count);

int vmk_page_program(serial_port *s, log_sink *l, uint32_t address, const uint8_t data[256]);

// Console reset: hold, and when that succeeded, release.
int vmk_reset(serial_port *s, log_sink *l);

// Long transfers look at the log's stop request (log_stop_requested) between
// banks (never inside one, which would leave the board part way through a
// request) and end with 0 and no message of their own; the operation that gave
// up then reports through vmk_failure_line.
// Writes "stopped" when a stop was asked, otherwise text.
void vmk_failure_line(log_sink *l, const char *text);
