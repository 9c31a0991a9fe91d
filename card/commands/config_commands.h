// Shared steps of the per-disc configuration commands.
#pragma once

#include "card/layout/card_args.h"
#include "card/layout/card_layout.h"

// Loads the block of the image number in text and checks its entry exists;
// false with "not a number: ...", "disc# is not exist" (no such block) or
// "disc# is larger than disc amount".
bool config_select_entry(card_context *c, const char *text, image_number *n);
