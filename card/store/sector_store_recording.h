// A store that wraps another and notes every transfer and flush in the order
// they came, so tests can see in which order a command makes its changes
// durable. The inner store is borrowed (close the wrapper first).
#pragma once

#include <cstdint>
#include <vector>

#include "card/store/sector_store.h"

struct store_event {
    enum kind_t { READ, WRITE, FLUSH } kind;
    uint64_t first;  // READ, WRITE: the sectors transferred
    uint32_t count;
};

// Returns nullptr only when memory runs out.
sector_store *recording_store_wrap(sector_store *inner);
// What the store has seen since it was wrapped; empty for another store.
std::vector<store_event> recording_store_events(sector_store *recording_store);
