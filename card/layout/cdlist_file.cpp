#include "card/layout/cdlist_file.h"

#include <string>

#include "card/fat/fat_location.h"
#include "card/fat/fat_on_disk.h"
#include "card/layout/card_layout.h"
#include "card/layout/card_listing.h"
#include "core/file_util.h"

namespace {

const char CDLIST_NAME[] = "cdlist.txt";

void append_text(void *user, const char *text) { static_cast<std::string *>(user)->append(text); }

bool write_into_partition(card_context *c, const fat_location &where, const std::string &text) {
    fat_on_disk on_disk{c->disk, where.first_sector};
    fat_sector_io io = fat_io_on_disk(&on_disk, where.sector_count);
    int status =
        fat12_write_root_file(&io, CDLIST_NAME, text.data(), static_cast<uint32_t>(text.size()));
    switch (status) {
        case FAT_IO_ERROR:
            log_line(c->log, "write error on cdlist.txt");
            return false;
        case FAT_NO_SPACE:
            log_line(c->log, "no room for cdlist.txt on partition #0");
            return true;
        case FAT_CORRUPT:
            log_line(c->log, "partition #0 is damaged; cdlist.txt is not written");
            return true;
        default:  // no FAT12 there: nothing to keep a listing in
            return true;
    }
}

}  // namespace

bool cdlist_write(card_context *c) {
    std::string text;
    log_sink *collect = log_create(&text, append_text);
    log_sink *log = c->log;
    c->log = collect;  // the listing goes into the file, not to the user
    bool listed = list_card(c);
    c->log = log;
    log_destroy(collect);
    if (!listed) {
        log_line(c->log, "cdlist.txt is not written: the card could not be listed");
        return false;
    }

    fat_location where;
    if (!drive_fat_location(log_null(), c->drive, &where)) return true;
    if (where.access == FAT_ACCESS_DIRECTORY) {
        std::string path = where.directory + "/" + CDLIST_NAME;
        file_write_whole(path.c_str(), text.data(), text.size());
        return true;
    }
    if (where.access == FAT_ACCESS_SECTORS) return write_into_partition(c, where, text);
    return true;
}
