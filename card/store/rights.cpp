// Rights for raw card access: full rights, a user allowed to use the card
// devices (e.g. a member of the group that owns them), or the system's disk
// service opening them for the user. Image files need none.
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "platform/disk_service.h"
#include "platform/drives.h"

bool drive_accessible(const drive_entry &e) {
    return e.kind != DRIVE_BLOCK_DEVICE || rights_allow_device_access(e.path.c_str());
}

bool drive_via_service(const drive_entry &e) {
    return !drive_accessible(e) && disk_service_present();
}

bool is_elevated() {
    if (rights_are_full() || disk_service_present()) return true;
    drive_table_refresh();
    for (const drive_entry &e : drive_table_entries())
        if (e.kind == DRIVE_BLOCK_DEVICE && drive_accessible(e)) return true;
    return false;
}

std::string drive_rights_advice(const drive_entry &e) {
    if (drive_accessible(e)) return "";
    if (disk_service_present())
        return e.path +
               " is opened through the system disk service (UDisks2): the system asks once for "
               "authorisation (your password) before the first command on it";
    return e.path +
           " needs rights this program does not have: run it as root, install and start the "
           "system disk service (udisks2), or give your user write access to the device node "
           "(for example through the disk group: sudo adduser $USER disk, then log in again)";
}
