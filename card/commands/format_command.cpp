// "format": a new partition table, an empty FAT12 partition #0 and the first
// management-area block. Refused while the card's FAT partition holds files,
// and over a file system whose files cannot be seen unless the user insists.
#include <cstring>
#include <string>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/fat/fat_location.h"
#include "card/fat/fat_on_disk.h"
#include "card/layout/card_layout.h"
#include "card/layout/card_io.h"
#include "card/layout/layout_records.h"
#include "card/store/capacity_probe.h"
#include "core/le_bytes.h"
#include "core/log_whole.h"
#include "platform/files.h"

namespace {

// Listing stops once more than this many names were shown.
enum { FORMAT_NAMES_SHOWN = 10 };

struct root_scan {
    log_sink *log;
    int found;
    const char *foreign;  // a file system the listing cannot read, by name
};

// Counts and reports a name; false once enough were shown.
bool note_name(void *user, const char *name) {
    auto *scan = static_cast<root_scan *>(user);
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 ||
        strncmp(name, "System Volume Information", 260) == 0)
        return true;
    log_line(scan->log, name);
    return ++scan->found <= FORMAT_NAMES_SHOWN;
}

bool scan_directory(const std::string &path, root_scan *scan) {
    return directory_list(path.c_str(), note_name, scan);
}

// Partition #0 of an open card: none holds no files; a card that cannot be
// read is no card to format.
bool scan_partition(disk_handle *disk, root_scan *scan) {
    fat_location where;
    if (!disk_fat_partition(disk, &where)) {
        log_line(scan->log, "read error");
        return false;
    }
    if (where.access != FAT_ACCESS_SECTORS) return true;  // nothing partitioned yet
    fat_on_disk on_disk{disk, where.first_sector};
    fat_sector_io io = fat_io_on_disk(&on_disk, where.sector_count);
    int status = fat_list_root(&io, note_name, scan);
    if (status == FAT_NOT_FAT) status = fat_foreign_volume(&io, &scan->foreign);
    return status != FAT_IO_ERROR;
}

// Lists partition #0's root. for_format: the card opened for the format
// that follows, kept there; it is opened once, since a card opened through
// the system's disk service costs the user an authorisation each time.
// Otherwise the card is opened read-only, and only when needed. A partition
// the system has mounted is listed through its directory before the card is
// opened, since a format's open unmounts it.
bool root_is_listed(const char *drive, root_scan *scan, disk_handle **for_format) {
    std::string mounted = drive_fat_mount(drive);
    if (!mounted.empty()) {
        if (!scan_directory(mounted, scan)) return false;
        if (for_format == nullptr) return true;
    }
    // Why the card cannot be opened (rights, the disk service) is the user's
    // first question.
    disk_handle *disk =
        disk_open(scan->log, drive, for_format != nullptr ? DISK_OPEN_LOCK : DISK_OPEN_READ);
    if (disk == nullptr) return false;
    bool listed = !mounted.empty() || scan_partition(disk, scan);
    if (listed && for_format != nullptr)
        *for_format = disk;
    else
        disk_close(disk);
    return listed;
}

// Refuses a card whose partition #0 holds files, or a file system that
// cannot be listed unless the user insists.
bool format_allowed(const card_context *c, const root_scan &scan) {
    if (scan.found > 0) {
        log_printf(c->log, "remove all files on %s\n", drive_display_name(c->drive).c_str());
        return false;
    }
    if (scan.foreign != nullptr && !c->force) {
        log_printf(c->log, "partition #0 holds a file system this program cannot list: %s\n",
                   scan.foreign);
        log_line(c->log, "formatting would erase it; format with --force to erase it anyway");
        return false;
    }
    return true;
}

// Partition #0 as formatted: a 2 MiB FAT12 volume, empty.
std::vector<uint8_t> fat12_partition_image() {
    std::vector<uint8_t> image(size_t{CARD_PARTITION0_SECTORS} * 512, 0xFF);
    memset(image.data(), 0, 64 * 512);  // boot, reserved, both FATs, root directory
    uint8_t *b = image.data();
    static const uint8_t jump[3] = {0xEB, 0x3C, 0x90};
    memcpy(b, jump, 3);
    memcpy(b + 3, "MSDOS5.0", 8);
    le16_put(b + 11, 512);  // bytes per sector
    b[13] = 1;              // sectors per cluster
    le16_put(b + 14, 8);    // reserved sectors
    b[16] = 2;              // FATs
    le16_put(b + 17, 512);  // root directory entries
    le16_put(b + 19, CARD_PARTITION0_SECTORS);
    b[21] = 0xF8;           // media
    le16_put(b + 22, 12);   // sectors per FAT
    le16_put(b + 24, 63);   // sectors per track
    le16_put(b + 26, 255);  // heads
    le32_put(b + 28, 1);    // hidden sectors: the MBR
    le32_put(b + 32, 0);    // 32-bit total sectors: unused
    b[36] = 0x80;           // drive number
    b[37] = 0;
    b[38] = 0x29;  // extended boot signature
    le32_put(b + 39, 0xA46F04CC);
    memcpy(b + 43, "NO NAME    ", 11);
    memcpy(b + 54, "FAT12   ", 8);
    b[510] = 0x55;
    b[511] = 0xAA;
    static const uint8_t media[3] = {0xF8, 0xFF, 0xFF};
    memcpy(b + 8 * 512, media, 3);   // first FAT
    memcpy(b + 20 * 512, media, 3);  // second FAT
    memset(b + (CARD_PARTITION0_SECTORS - 1) * 512, 0, 512);
    return image;
}

}  // namespace

const char *card_foreign_file_system(const char *drive) {
    root_scan scan{log_null(), 0, nullptr};
    return root_is_listed(drive, &scan, nullptr) ? scan.foreign : nullptr;
}

bool format_open(card_context *c) {
    if (!drive_argument_check(c->log, c->drive)) return false;
    root_scan scan{c->log, 0, nullptr};
    if (!root_is_listed(c->drive, &scan, &c->disk)) {
        log_line(c->log, "opendir error, memory card slot would be empty.");
        return false;
    }
    if (!format_allowed(c, scan)) {
        disk_close(c->disk);
        c->disk = nullptr;
        return false;
    }
    return true;
}
int card_format(card_context *c, int, const char *const *) {
    uint32_t n = disk_sector_count(c->disk);
    // Room for the table, partition #0 and one block header at least.
    if (n < CARD_PARTITION1_START + MANAGEAREA_INIT_BYTES / 512) {
        log_printf(c->log, "the card is too small: %u sectors\n", n);
        return VMK_FAILED;
    }
    // A card that wraps writes past its real size would lose images later;
    // it is refused before anything is written.
    capacity_result capacity;
    if (!capacity_probe(c->disk, c->log, &capacity)) return VMK_FAILED;
    if (capacity.holds < capacity.claimed) {
        log_printf(c->log, "fake capacity: %s\n", capacity_shortfall_text(capacity).c_str());
        log_line(c->log, "format refused");
        return VMK_FAILED;
    }
    uint8_t mbr[512];
    mbr_build(mbr, n);
    log_printf(c->log, "partition #0 %dMiB\n", 2);
    log_printf(c->log, "partition #1 %dMiB\n",
               static_cast<int>((n - CARD_PARTITION1_START) / 2048));
    if (!card_write_at(c, 0, mbr, sizeof mbr, "write error on MBR")) return VMK_FAILED;

    std::vector<uint8_t> fat = fat12_partition_image();
    if (!card_write_at(c, CARD_PARTITION0_START, fat.data(), static_cast<uint32_t>(fat.size()),
                       "write error FAT"))
        return VMK_FAILED;
    // The system mounts partition #0 again once it has read the new table.
    std::string why;
    if (!disk_reread_partitions(c->disk, &why))
        log_printf_whole(c->log, "warning: the system did not read the new partition table: %s\n",
                         why.c_str());
    return vmk_status(managearea_init(c, n, CARD_PARTITION1_START));
}
