#include <cerrno>
#include <cstring>

#include "card/store/block_device_store.h"
#include "card/store/drive_open.h"
#include "card/store/drive_table.h"
#include "platform/drives.h"

namespace {

void log_text(log_sink *log, const std::string &text) { log_write(log, text.c_str()); }

// One message for each way the system's disk service can fail us.
std::string service_failure_text(const std::string &path, const block_open_failure &why) {
    switch (why.service) {
        case DISK_SERVICE_ABSENT:
            return "no rights to open " + path +
                   ", and the system disk service (UDisks2) is not available to open it for you (" +
                   why.message + "): install and start udisks2, or run as root";
        case DISK_SERVICE_REFUSED:
            return "authorisation to open " + path + " was refused; nothing was written";
        case DISK_SERVICE_NO_AGENT:
            return "opening " + path +
                   " needs your authorisation, but no authorisation agent runs to ask for it: run "
                   "it in a desktop session, or from a terminal with polkit's text agent installed "
                   "(pkttyagent, Debian package polkitd)";
        case DISK_SERVICE_FAILED:
        case DISK_SERVICE_OK:
            break;
    }
    return "the system disk service could not open " + path + ": " + why.message;
}

}  // namespace

sector_store *open_card_device(log_sink *log, const std::string &name, bool writable, bool lock) {
    drive_scan_roots roots = drive_table_roots();
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return nullptr;
    // Without rights on the node the system's disk service unmounts the
    // card's file systems itself before it opens the disk.
    if (lock && rights_allow_device_access(disk.device_path.c_str())) {
        std::string point;
        if (int status = removable_disk_unmount_all(roots, disk, &point)) {
            log_text(log, "cannot unmount " + point + ": " + strerror(status) + "\n");
            return nullptr;
        }
    }
    sector_store *store = nullptr;
    block_open_failure why;
    switch (block_store_open(roots, name, writable, &store, &why)) {
        case BLOCK_OPENED:
            return store;
        case BLOCK_NOT_A_CARD:
        case BLOCK_NO_MEDIUM:
            return nullptr;
        case BLOCK_SECTOR_SIZE:
            log_line(log, "sector/byte size is not 0x200 byte");
            return nullptr;
        case BLOCK_OPEN_FAILED:
            if (why.error == EACCES || why.error == EPERM)
                log_line(log, "管理者権限で実行してください");
            else
                log_printf(log, "GetLastError() %d\n", why.error);
            return nullptr;
        case BLOCK_SERVICE_FAILED:
            if (why.service == DISK_SERVICE_ABSENT) log_line(log, "管理者権限で実行してください");
            log_line(log, service_failure_text(disk.device_path, why).c_str());
            return nullptr;
    }
    return nullptr;
}

sector_store *open_card_image(log_sink *log, const std::string &path) {
    sector_store *store = nullptr;
    if (int status = image_store_open(path.c_str(), &store)) {
        log_text(log, "cannot open card image " + path + ": " + strerror(status) + "\n");
        return nullptr;
    }
    return store;
}
