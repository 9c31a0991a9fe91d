// The card listing: every block and disc entry of the card as text, the
// content of "cdlist.txt".
#pragma once

struct card_context;

// Writes the listing to c->log, reading the chain from the card. The context
// itself is left as it was (the blocks are read into a copy). False after a
// failed read; what was listed until then has been written.
bool list_card(card_context *c);
