#include <cerrno>
#include <cstring>

#include "card/store/block_device_store.h"
#include "card/store/drive_open.h"
#include "card/store/drive_table.h"

namespace {

void log_text(log_sink *log, const std::string &text) { log_write(log, text.c_str()); }

}  // namespace

sector_store *open_card_device(log_sink *log, const std::string &name, bool lock) {
    drive_scan_roots roots = drive_table_roots();
    removable_disk disk;
    if (!examine_removable_disk(roots, name, &disk)) return nullptr;
    if (lock) {
        std::string point;
        if (int status = removable_disk_unmount_all(roots, disk, &point)) {
            log_text(log, "cannot unmount " + point + ": " + strerror(status) + "\n");
            return nullptr;
        }
    }
    sector_store *store = nullptr;
    int error = 0;
    switch (block_store_open(roots, name, &store, &error)) {
        case BLOCK_OPENED:
            return store;
        case BLOCK_NOT_A_CARD:
        case BLOCK_NO_MEDIUM:
            return nullptr;
        case BLOCK_SECTOR_SIZE:
            log_line(log, "sector/byte size is not 0x200 byte");
            return nullptr;
        case BLOCK_OPEN_FAILED:
            if (error == EACCES || error == EPERM)
                log_line(log, "管理者権限で実行してください");
            else
                log_printf(log, "GetLastError() %d\n", error);
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
