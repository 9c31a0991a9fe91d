// Positioned transfers on the context's card with the card store's messages.
#pragma once

#include <cstdint>

#include "card/layout/card_layout.h"

// Seek to an absolute sector and read; "seek error" or "read error".
bool card_read_at(card_context *c, uint32_t sector, void *buffer, uint32_t bytes);
// Seek and write; "seek error" or the given message.
bool card_write_at(card_context *c, uint32_t sector, const void *buffer, uint32_t bytes,
                   const char *write_error);
