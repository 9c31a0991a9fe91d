// One card's images onto another, each read from the first card's disc
// area and added to the second as it goes: nothing is kept on the PC.
#pragma once

#include <cstddef>

#include "card/backup/card_inventory.h"
#include "card/layout/card_layout.h"

// from and to open; from's inventory read. The images from skip on (the
// first skip are on `to` already, from a copy cut short) are added after
// to's last image with their settings, then the listing order is set.
// False with a message.
bool card_copy(card_context *from, card_context *to, const card_inventory &inventory, size_t skip);
