// Numeric arguments of the device commands, parsed strictly and range-checked
// without the board: the dispatcher runs these checks before it opens the
// port, and the handlers read their values through the same functions.
// Each returns false after logging why the text was refused.
#pragma once

#include <cstdint>

#include "core/log.h"

// A backup RAM page: a decimal number 0 to 3.
bool page_arg(log_sink *log, const char *text, int *page);
// GPRAM address and length in hexadecimal: multiples of the 8 KiB bank, a
// length above 0, the range inside GPRAM.
bool gpram_range_args(log_sink *log, const char *address_text, const char *length_text,
                      uint32_t *address, uint32_t *length);
// Flash address in hexadecimal, in the user area; with the file's size known,
// the file must fit in the flash from there.
bool flash_data_args(log_sink *log, const char *address_text, const char *file,
                     uint32_t *address);
