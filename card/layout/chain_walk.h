// The one walk over the chain of management-area blocks, with the sectors
// the walked blocks use.
#pragma once

#include <cstdint>
#include <functional>

#include "card/layout/card_layout.h"

enum : uint32_t { CHAIN_WALK_ALL = UINT32_MAX };

// Sectors one block uses: its 2-sector header and its disc areas.
uint64_t block_used_sectors(const card_context &c);

// Reads the blocks from the first one into c (managearea_read), at most
// `count` of them, and calls visit with c on each block and its number in the
// chain. False when a block does not read or visit returns false, which
// stops the walk there. used, when given, receives the sectors of the blocks
// walked (block_used_sectors summed).
bool chain_walk(card_context *c, uint32_t count,
                const std::function<bool(card_context *c, uint32_t k)> &visit,
                uint64_t *used = nullptr);
