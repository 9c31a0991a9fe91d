// Opening a disk handle over a sector store that is already open: how
// disk_open finishes for every kind of drive, and the seam through which
// tests and fuzzers run card code over a memory or fault-injecting store.
#pragma once

#include <cstdint>

#include "card/store/disk_handle.h"
#include "card/store/sector_store.h"

// owned: disk_close closes the store too; otherwise the caller closes it
// after disk_close. Never fails for a non-null store.
disk_handle *disk_open_store(log_sink *log, sector_store *store, bool owned);

// The full sector count, of which disk_sector_count reports the low 32 bits.
uint64_t disk_total_sectors(disk_handle *h);
