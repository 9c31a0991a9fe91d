// The change request of the per-disc configuration commands: new kinds,
// flag options and settings for CD and HuCard entries, each with a mask of
// what it changes, so one request can be applied to entries of both sorts.
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"
#include "core/log.h"

struct config_request_half {
    unsigned kind_index;  // 0: keep the kind
    uint32_t kind_mask;   // 0xFF, or 0 to keep the kind value
    uint8_t option;       // new flags bits 0 and 6
    uint8_t option_mask;  // 0x41, or 0 to keep them
};

struct config_request {
    config_request_half cd;
    config_request_half hucard;
    uint32_t common_bits;  // settings in bits 8..31
    uint32_t common_mask;  // 0b111 for every setting group that is not 7 (keep)
};

// Builds a request from the five texts disc icon, disc option, rom icon,
// rom option and common option (unsigned, base by prefix). False with a
// message when one of them is not a complete number.
bool config_request_parse(log_sink *log, const char *const texts[5], config_request *r);

// Applies the request to an entry: the HuCard half to HuCard entries, the CD
// half to the others; a HuCard kind value gets the size class of the ROM.
void config_request_apply(const config_request &r, disc_entry *e);
