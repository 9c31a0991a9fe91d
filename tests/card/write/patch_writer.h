// Tiny IPS and BPS writers for the tests (no packaged tool writes BPS): a
// patch is written from a script of records or actions, so that a test
// checks the result against a ROM it made by hand.
#pragma once

#include <cstdint>
#include <vector>

enum bps_command { BPS_SOURCE_READ, BPS_TARGET_READ, BPS_SOURCE_COPY, BPS_TARGET_COPY };

struct bps_action {
    bps_command command;
    uint64_t length;
    int64_t relative = 0;            // copies: the step of their read position
    std::vector<uint8_t> data = {};  // target read
};

// A BPS patch carrying the script, with the sizes and CRC-32s of source and
// the expected target.
std::vector<uint8_t> bps_patch(const std::vector<uint8_t> &source,
                               const std::vector<uint8_t> &target,
                               const std::vector<bps_action> &script);
// The patch's own CRC-32 (its last four bytes) made right again after a
// change, so that the check behind it is the one that refuses it.
std::vector<uint8_t> bps_with_own_crc(std::vector<uint8_t> patch);

struct ips_record {
    uint32_t offset;
    std::vector<uint8_t> data;  // empty: a run
    uint16_t count = 0;         // run
    uint8_t value = 0;
};

std::vector<uint8_t> ips_patch(const std::vector<ips_record> &records, bool end_mark = true);
