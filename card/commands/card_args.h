// Arguments of the card commands that address images: strict numbers with a
// message naming the text that is not one, and image numbers checked against
// the chain before any block is loaded.
#pragma once

#include "card/layout/card_layout.h"
#include "core/log.h"

// parse_ulong / parse_long, with "not a number: ..." in the log on failure.
bool card_arg_ulong(log_sink *log, const char *text, unsigned long *value);
bool card_arg_long(log_sink *log, const char *text, long *value);

// Block n / 100 of image number n, when it lies in the opened card's chain.
bool image_block_in_chain(const card_context *c, unsigned long n, uint32_t *block);
