// Arguments of the card commands: numbers with a message naming the text
// that is not one, and image and block numbers checked against the opened
// card's chain before any block is loaded.
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"
#include "core/log.h"

// parse_ulong / parse_long (base by prefix), "not a number: ..." on failure.
bool card_arg_ulong(log_sink *log, const char *text, unsigned long *value);
bool card_arg_long(log_sink *log, const char *text, long *value);
// A whole decimal number, "not a number: ..." on failure.
bool card_arg_decimal(log_sink *log, const char *text, uint64_t *value);

// Image number block x 100 + record.
struct image_number {
    uint32_t block;   // inside the chain
    uint32_t record;  // 0 to 99
    uint32_t value() const { return block * CARD_DISC_SLOTS + record; }
};

// Image number value when its block lies in c's chain; a block outside it
// logs the line `outside` (the command's own wording).
bool image_in_chain(const card_context *c, uint64_t value, const char *outside,
                    image_number *n);
// A whole decimal image number whose block lies in c's chain, likewise.
bool card_arg_image(const card_context *c, const char *text, const char *outside,
                    image_number *n);
// A whole decimal block number of c's chain, likewise.
bool card_arg_block(const card_context *c, const char *text, const char *outside,
                    uint32_t *block);
