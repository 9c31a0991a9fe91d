#include <cerrno>

#include "card/store/block_device_store.h"

int block_device_unmount_all(const drive_scan_roots &roots, const std::string &name,
                             std::string *failed_at) {
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return ENODEV;
    return removable_disk_unmount_all(roots, disk, failed_at);
}
