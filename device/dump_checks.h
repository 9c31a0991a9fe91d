// What happens to a dumped image before and after it is saved: the DAT
// check, naming by the matched title, the CRC line and the dump report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_context.h"

struct bus_bank {
    uint8_t bank;
    uint8_t argument;
};

struct dump_record {
    std::vector<bus_bank> banks;  // where each bank of the image came from
    std::string probe;            // the "page size" line, empty without a probe
    int reads = 1;                // most reads any bank needed
};

// Saves image as file (or under the DAT title with --name-by-dat) after the
// DAT check of --dat, then writes the --report file. A DAT that cannot be
// used is reported and the image is still saved. True when the file (and a
// requested report) was written.
bool dump_save_checked(device_context *ctx, const std::vector<uint8_t> &image, const char *file,
                       dump_record *record);

// The report's text; crc is the image's CRC-32 as the save logged it, dat_line
// the DAT result or empty without a DAT.
std::string dump_report_text(const std::vector<uint8_t> &image, uint32_t crc, const std::string &file,
                             const dump_record &record, const std::string &dat_line);
