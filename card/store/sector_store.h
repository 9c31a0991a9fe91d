// Sector store: the medium behind a disk handle, as 512-byte sectors behind a
// table of operations. Backends:
//   block device  (sector_store_block.cpp)       — a removable card, unbuffered
//   image file    (sector_store_image_file.cpp)  — a regular file is a card
//   memory        (sector_store_memory.cpp)      — sparse, for tests and fuzzing
//   fault         (sector_store_fault.cpp)       — wraps another store and fails
//                                                  the Nth read or write on purpose
//   recording     (sector_store_recording.cpp)   — wraps another store and notes
//                                                  its writes and flushes in order
// Each backend has its own open function (below or in its header) because
// what identifies the medium differs; everything after opening goes through
// the table.
//
// Statuses: 0 for success, otherwise an errno value. Transfers are whole or
// failed: a backend never reports success for fewer sectors than asked.
// A store is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct sector_store;

struct sector_store_ops {
    const char *name;
    // The range [first, first + count) lies inside the store: the store_*
    // functions below check it before calling.
    int (*read)(sector_store *s, uint64_t first, uint32_t count, void *buffer);
    int (*write)(sector_store *s, uint64_t first, uint32_t count, const void *buffer);
    // Returns once written data is on the medium.
    int (*flush)(sector_store *s);
    uint64_t (*sector_count)(sector_store *s);
    // Optional (nullptr: nothing to do): makes the system read the partition
    // table again after it was rewritten; on failure *why says why.
    int (*reread_partitions)(sector_store *s, std::string *why);
    // Frees the store; does not flush.
    void (*close)(sector_store *s);
    // Optional (nullptr: reads already come from the medium): writes the
    // range out of any cache and has the next read of it come from the
    // medium. Not a flush of the device: that is flush.
    int (*drop_cache)(sector_store *s, uint64_t first, uint64_t count);
};

struct sector_store {
    const sector_store_ops *ops;
};

// Checked entry points. Ranges outside the store fail with ENXIO, as a block
// device does; nullptr buffers with EINVAL.
int store_read(sector_store *s, uint64_t first, uint32_t count, void *buffer);
int store_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer);
int store_flush(sector_store *s);
int store_reread_partitions(sector_store *s, std::string *why);
uint64_t store_sector_count(sector_store *s);
// Reads from the medium itself, bypassing any cache between (read-back
// checks after writing, capacity probes).
int store_read_uncached(sector_store *s, uint64_t first, uint32_t count, void *buffer);
// The drop_cache operation where the store has one (wrappers pass it on).
int store_drop_cache(sector_store *s, uint64_t first, uint64_t count);
void store_close(sector_store *s);  // nullptr is ignored

// Memory: a sparse store of the given size; sectors never written read as
// zeros, so huge cards cost only what is written. Returns nullptr only when
// memory runs out.
sector_store *memory_store_create(uint64_t sectors);
// A store holding a copy of bytes (size / 512 sectors; a partial tail sector
// is dropped, as with an image file).
sector_store *memory_store_from_bytes(const void *bytes, size_t size);

// Image file: a regular file is a card of (file size / 512) sectors. Refuses
// anything but a regular file (ENODEV), so a device node can never come in
// through this door. Returns 0 with *out set, or an errno value.
int image_store_open(const char *path, sector_store **out);
