#include <sys/mount.h>

#include <cerrno>

#include "card/store/block_device_store.h"

int block_device_unmount_all(const drive_scan_roots &roots, const std::string &name,
                             std::string *failed_at) {
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return ENODEV;
    // No lazy detach: a busy file system must stop the format, not vanish
    // from view while it still writes to the card.
    for (const std::string &point : mount_points_of(roots, disk)) {
        if (umount2(point.c_str(), 0) != 0) {
            *failed_at = point;
            return errno;
        }
    }
    return 0;
}
