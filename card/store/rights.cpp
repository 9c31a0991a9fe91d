// Rights for raw card access: full rights, or a user allowed to use the card
// devices (e.g. a member of the group that owns them). Image files need none.
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "platform/rights.h"

bool drive_accessible(const drive_entry &e) {
    return e.kind != DRIVE_BLOCK_DEVICE || rights_allow_device_access(e.path.c_str());
}

bool is_elevated() {
    if (rights_are_full()) return true;
    drive_table_refresh();
    for (const drive_entry &e : drive_table_entries())
        if (e.kind == DRIVE_BLOCK_DEVICE && drive_accessible(e)) return true;
    return false;
}
