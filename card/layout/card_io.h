// Positioned transfers on the context's card with the card store's messages.
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"

// Seek to an absolute sector and read; "seek error" or "read error".
bool card_read_at(card_context *c, uint32_t sector, void *buffer, uint32_t bytes);
// Seek and write; "seek error" or the given message.
bool card_write_at(card_context *c, uint32_t sector, const void *buffer, uint32_t bytes,
                   const char *write_error);
// Puts everything written so far on the medium; "flush error" when it refuses.
bool card_flush(card_context *c);
// A write that the card's structure rests on (a block header, a chain link).
// Image files keep writes in the page cache and card readers reorder them,
// so the card is flushed on both sides: what the structure describes reaches
// the medium before it, and it reaches the medium before anything written
// after it (which may overwrite what an older structure described).
bool card_write_structure_at(card_context *c, uint32_t sector, const void *buffer, uint32_t bytes,
                             const char *write_error);
