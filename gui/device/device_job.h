// Device jobs: command words run through the device dispatcher with the port
// name and the link speed appended ("", words..., port, "500000").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/shell/task_job.h"

struct framebuffer;

#define SERIAL_BAUD_TEXT "500000"

// The whole argument vector the dispatcher gets.
std::vector<std::string> device_argument_vector(const std::vector<std::string> &words,
                                                const std::string &port);
// Completion 40 when the command did what it was asked, 41 when not. Every
// device command reads the board through the stop check, so each can stop.
task_job device_job(const std::vector<std::string> &words, const std::string &port);
// "program_pac": a firmware write, which a close waits for instead of stopping.
task_job device_firmware_job(const std::string &file, const std::string &port);
// "vceget" into a borrowed frame store, which keep holds alive while the job
// lives. Completion 42, or 43 when the dispatch itself failed (a failed
// capture is reported in the log only).
task_job device_capture_job(const std::string &file, const std::string &port, framebuffer *store,
                            std::shared_ptr<void> keep);

enum { ROM_DUMP_MAP_COUNT = 3 };
// What the ROM dump checks besides reading: a second read compared bank by
// bank, the user's DAT file (UTF-8; empty: none) and naming the file by its
// title.
struct rom_dump_checks {
    bool verify = false;
    std::string dat_file;
    bool name_by_dat = false;
};
// "dump [checks] -- rom|romram|sf2 file"; empty for a map outside 0..2.
std::vector<std::string> device_rom_dump_words(int map, const std::string &file,
                                               const rom_dump_checks &checks = {});
// Pages 0..2 are backup RAM ("save_dn"/"save_up" page file), 3 the Memory
// Base ("memorybase down|up file").
std::vector<std::string> device_backupram_words(bool upload, int ram_page, const std::string &file);
