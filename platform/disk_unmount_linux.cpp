#include <sys/mount.h>

#include <cerrno>

#include "platform/mount_table_linux.h"
#include "platform/removable_disks.h"

int removable_disk_unmount_all(const drive_scan_roots &roots, const removable_disk &disk,
                               std::string *failed_at) {
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
