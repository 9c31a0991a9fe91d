// A store that wraps another and fails on purpose, so every card command can
// be run against I/O failures. Counting starts at open; the inner store is
// borrowed (close the wrapper first, then the inner store).
#pragma once

#include <cstdint>

#include "card/store/sector_store.h"

struct fault_plan {
    uint32_t fail_read_at = 0;   // the Nth read call (1-based) fails; 0: never
    uint32_t fail_write_at = 0;  // the Nth write call (1-based) fails; 0: never
    // A bad patch of the medium: every read that touches one of the
    // unreadable_count sectors from unreadable_first fails (writes pass).
    uint64_t unreadable_first = UINT64_MAX;
    uint32_t unreadable_count = 0;
    // Once this many sectors were written, every further write fails. A write
    // that crosses the limit stores the sectors up to it and then fails, as a
    // medium that dies mid-transfer would.
    uint64_t write_sector_budget = UINT64_MAX;
    bool fail_flush = false;
    // Silent faults, which report success: a write covering flip_sector
    // stores it with its first byte inverted; a write covering drop_sector
    // leaves that sector as it was. UINT64_MAX: never.
    uint64_t flip_sector = UINT64_MAX;
    uint64_t drop_sector = UINT64_MAX;
    // A fake-capacity card: it claims the inner store's size but holds only
    // real_sectors, and sector s lands on s modulo real_sectors. 0: real.
    uint64_t real_sectors = 0;
};

struct fault_counts {
    uint32_t reads = 0;   // read calls seen, failed ones included
    uint32_t writes = 0;  // write calls seen, failed ones included
    uint64_t sectors_written = 0;
    uint32_t injected = 0;  // failures produced
};

// Failures report EIO. Returns nullptr only when memory runs out.
sector_store *fault_store_wrap(sector_store *inner, const fault_plan &plan);
fault_counts fault_store_counts(sector_store *fault_store);
// Replaces the plan, the counts kept: a medium that goes bad after use.
void fault_store_replan(sector_store *fault_store, const fault_plan &plan);
