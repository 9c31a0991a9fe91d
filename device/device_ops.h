// Device operations behind the command table. Each returns 1 on success and 0
// on failure after reporting through the context's log, unless said otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/device_context.h"

enum {
    MAP_DUMP_GENERIC = 0,
    MAP_DUMP_ROMRAM = 1,
    MAP_DUMP_SF2CE = 2,
    MAP_DUMP_MEMORYBASE = 3,
    MAP_IFURAM_ROM = 4,
    MAP_IFURAM_ROMRAM = 5,
};
enum { DEST_GPRAM = 0, DEST_FLASH = 1 };
enum : uint32_t { GPRAM_SIZE = 0x80000 };

// Backup RAM and Memory Base transfer.
int bkram_upload(device_context *ctx, int page, const char *file);
int bkram_download(device_context *ctx, int page, const char *file);
int memorybase_upload(device_context *ctx, const char *file);

// The dump's options. --verify reads every bank twice (twice the wire time)
// and re-reads banks that differ; --dat checks the image against a DAT file;
// --name-by-dat saves under the matched title; --report writes a text report.
#define DUMP_VERIFY "--verify"
#define DUMP_DAT "--dat"
#define DUMP_NAME_BY_DAT "--name-by-dat"
#define DUMP_REPORT "--report"
#define DUMP_OPTIONS DUMP_VERIFY " " DUMP_DAT " FILE " DUMP_NAME_BY_DAT " " DUMP_REPORT " FILE"

// HuCard or Memory Base dump: number of bytes read from the console, 0 when
// the read failed or the verifying reads never agreed (nothing is written
// then). *ok is 1 only when the file (and a requested report) was saved and
// the console was left released (map 0 for the Memory Base). The options
// come from ctx->arguments.
size_t hucard_dump(device_context *ctx, int map, const char *file, int *ok);

// ROM upload to GPRAM or flash, GPRAM read-back, flash data programming.
int rom_upload(device_context *ctx, int destination, int map, const char *file);
int gpram_download(device_context *ctx, uint32_t address, uint32_t length, const char *file);
int flash_program_data(device_context *ctx, uint32_t address, const char *file);

// Firmware package and FPGA configuration.
int program_pac_file(device_context *ctx, const char *file);
int program_jic_file(device_context *ctx, const char *file);

// Frame capture into ctx->frame_store and the PNG pair.
int frame_capture_png(device_context *ctx, const char *file);

// Video calibration: value 0 measures first. adj_rate: 1 when the rate is out
// of range (nothing sent), 0 otherwise; *ok tells whether the board took it.
int calibrate(device_context *ctx, uint32_t value);
int adj_rate(device_context *ctx, const char *rate, int *ok);
// The rate text of adj_rate: a plain decimal number, 50 <= rate < 70; false
// with "out of range" (also for a text that is not a number).
bool adj_rate_parse(log_sink *log, const char *text, double *rate);
int colortable_send(device_context *ctx, const char *file);
