// Shared steps of the per-disc configuration commands (mode_config*.cpp).
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"

// Loads the block of image number n and finds its entry; false with "disc#
// is not exist" (no such block) or "disc# is larger than disc amount".
bool config_select_entry(card_context *c, unsigned long n, uint32_t *index);
