// Block-device backend: a removable card through the platform's raw block
// device (platform/block_device.h: read-write past the system's cache,
// flushed to the medium). It examines the disk as a card candidate first and
// the platform checks that the opened node is that very disk, so a
// non-removable disk is never opened.
#pragma once

#include <string>

#include "platform/disk_service.h"
#include "platform/drives.h"
#include "card/store/sector_store.h"

enum block_open_status {
    BLOCK_OPENED = 0,
    BLOCK_NOT_A_CARD,   // not (or no longer) a candidate, or another node
    BLOCK_NO_MEDIUM,    // reader without a card
    BLOCK_SECTOR_SIZE,  // logical sector other than 512 bytes
    BLOCK_OPEN_FAILED,  // why.error holds the errno value
    BLOCK_SERVICE_FAILED,  // no rights, and the disk service failed: why.service, why.message
};

struct block_open_failure {
    int error = 0;
    disk_service_status service = DISK_SERVICE_OK;
    std::string message;
};

// name: the disk's kernel name ("sdb"). *out is set only with BLOCK_OPENED.
// writable: false opens the disk read-only. A disk this process has no
// rights to open goes through the system's disk service, which unmounts its
// file systems first when it opens the disk writable.
block_open_status block_store_open(const drive_scan_roots &roots, const std::string &name,
                                   bool writable, sector_store **out, block_open_failure *why);

// Unmounts everything the system has mounted of the disk (the disk itself
// and all its partitions). 0, or the errno value of the first failure with
// *failed_at naming the mount point. Refuses (ENODEV) a non-candidate.
int block_device_unmount_all(const drive_scan_roots &roots, const std::string &name,
                             std::string *failed_at);
