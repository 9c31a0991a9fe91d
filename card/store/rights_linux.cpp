// Rights for raw card access: root, or a user allowed to write the card
// devices (e.g. a member of the group that owns them). Image files need none.
#include <fcntl.h>
#include <unistd.h>

#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"

bool drive_accessible(const drive_entry &e) {
    return e.kind != DRIVE_BLOCK_DEVICE ||
           faccessat(AT_FDCWD, e.path.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
}

bool is_elevated() {
    if (geteuid() == 0) return true;
    drive_table_refresh();
    for (const drive_entry &e : drive_table_entries())
        if (e.kind == DRIVE_BLOCK_DEVICE && drive_accessible(e)) return true;
    return false;
}
