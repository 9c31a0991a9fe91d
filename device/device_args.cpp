#include "device/device_args.h"

#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/number_text.h"
#include "device/device_ops.h"
#include "device/flash_program.h"
#include "device/wire_protocol.h"

namespace {

bool hex_arg(log_sink *log, const char *text, uint64_t *value) {
    if (parse_hex(text, value)) return true;
    log_printf_whole(log, "not a hexadecimal number: %s\n", text);
    return false;
}

}  // namespace

bool page_arg(log_sink *log, const char *text, int *page) {
    uint64_t v;
    if (!parse_decimal(text, &v) || v > 3) {
        log_line(log, "invalid page number");
        return false;
    }
    *page = static_cast<int>(v);
    return true;
}

bool gpram_range_args(log_sink *log, const char *address_text, const char *length_text,
                      uint32_t *address, uint32_t *length) {
    uint64_t a, n;
    if (!hex_arg(log, address_text, &a) || !hex_arg(log, length_text, &n)) return false;
    if (a % VMK_BANK_SIZE != 0 || n % VMK_BANK_SIZE != 0) {
        log_line(log, "address or length error: val % 0x2000 != 0");
        return false;
    }
    if (n == 0) {
        log_line(log, "length error: length is 0");
        return false;
    }
    if (a > GPRAM_SIZE || n > GPRAM_SIZE - a) {
        log_line(log, "address range error: address > 0x80000");
        return false;
    }
    *address = static_cast<uint32_t>(a);
    *length = static_cast<uint32_t>(n);
    return true;
}

bool flash_data_args(log_sink *log, const char *address_text, const char *file,
                     uint32_t *address) {
    uint64_t a;
    if (!hex_arg(log, address_text, &a)) return false;
    if (a < FLASH_USER_START) {
        log_line(log, "address range error: address < 0x30000");
        return false;
    }
    // A missing or empty file is reported by the programming itself.
    int64_t size = file_size(file);
    uint64_t bytes = size > 0 ? static_cast<uint64_t>(size) : 0;
    if (a > FLASH_LAST_ADDRESS || bytes > FLASH_SIZE - a) {
        log_line(log, "program memory out of range");
        return false;
    }
    *address = static_cast<uint32_t>(a);
    return true;
}
