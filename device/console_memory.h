// Helpers shared by the save-data, Memory Base and HuCard dump operations.
#pragma once

#include <cstdint>

#include "device/device_context.h"

// Reads the Memory Base signature. 1 when a Memory Base answered on the
// controller port; 0 after reporting why not (no answer, or not connected).
int memorybase_detect(device_context *ctx);

// Number of 8 KiB banks before one half of the bank probe repeats: 1, 2, 4,
// ..., 64. Each probe byte is the first byte of one bank.
int probe_banks(const uint8_t half[128]);

// Console-bus failures end with this line after the primitive's own message.
inline constexpr char COMM_ERROR[] = "serial port communication error";
