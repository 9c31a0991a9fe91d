// A removable disk opened for raw sector access: read-write (or read-only
// for a command that only looks) and past the system's cache, so no sector is served from a stale cached copy. The only
// code that opens a disk device; it opens only a disk the drive scan
// described and checks that the node it opened is that very disk. A handle is
// used by one thread at a time. Linux: block_device_linux.cpp; Windows:
// block_device_windows.cpp.
//
// Statuses: 0 for success, otherwise an errno value (a Windows layer maps its
// error codes to these). Transfers are whole or failed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/disk_service.h"
#include "platform/drives.h"

struct block_device;

// Uncached transfers need buffers aligned to this (a page suits every
// device); offsets and lengths must be multiples of the sector size.
enum { BLOCK_DEVICE_ALIGNMENT = 4096 };

enum block_device_open_status {
    BLOCK_DEVICE_OPENED = 0,
    BLOCK_DEVICE_OTHER_DISK,  // the node is not the disk the scan described
    BLOCK_DEVICE_NO_MEDIUM,   // reader without a card
    BLOCK_DEVICE_FAILED,      // *error holds the errno value
};

// disk: as examine_removable_disk filled it in. writable: false opens it
// read-only (writes then fail). *out is set only with BLOCK_DEVICE_OPENED.
block_device_open_status block_device_open(const removable_disk &disk, bool writable,
                                           block_device **out, int *error);
// The same through the system's disk service (disk_service.h), for a disk
// whose node this process may not open, after the user's authorisation:
// writable, the service unmounts the disk's file systems and opens it
// exclusively; read-only, it leaves them be. A disk the process already
// holds through the service is not opened again (a read-write hold serves a
// read-only open too).
// BLOCK_DEVICE_FAILED with *service other than DISK_SERVICE_OK: the service
// failed or refused, *message says why; with DISK_SERVICE_OK, *error holds
// the errno value. A device opened so re-reads its partition table through
// the service.
block_device_open_status block_device_open_via_service(const removable_disk &disk, bool writable,
                                                       block_device **out, int *error,
                                                       disk_service_status *service,
                                                       std::string *message);
void block_device_close(block_device *d);  // does not flush; nullptr is ignored

uint64_t block_device_size(block_device *d);          // bytes; 0 without a medium
uint32_t block_device_sector_size(block_device *d);   // logical sector, bytes

int block_device_read(block_device *d, uint64_t offset, void *buffer, uint64_t bytes);
int block_device_write(block_device *d, uint64_t offset, const void *buffer, uint64_t bytes);
// Returns once written data is on the medium: skipping the system's cache
// does not empty the card reader's own.
int block_device_flush(block_device *d);
// Has the system read the partition table again after it was rewritten;
// on failure *message says why.
int block_device_reread_partitions(block_device *d, std::string *message);
