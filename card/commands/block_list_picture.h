// What the console will show for a block: its image list as a PNG picture.
#pragma once

#include "core/log.h"

// Opens the card behind drive, reads the list image of block block_text (a
// block number, 0 = first) from its index disc and writes png_name. A block
// that holds no images yet has no index disc; its picture is then drawn from
// the block's empty slots. Returns 0 for success and 1 for failure.
int card_preview(log_sink *log, const char *drive, const char *block_text, const char *png_name);
