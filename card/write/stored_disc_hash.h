// The hash listing of a disc stored on the card: its TOC from the first
// stored sector, its sectors read from the disc area (stride 2448, the
// subchannel of version 4 blocks turned back to the per-channel layout).
#pragma once

#include <cstdint>

struct card_context;

// Lists the data tracks of image number n; c must be open. 1 after listing
// (nothing for a HuCard entry), 0 with a message.
int hash_stored_disc(card_context *c, uint32_t n);
