#include "card/check/card_check.h"

#include <cstdarg>
#include <cstdio>

#include "card/check/check_run.h"
#include "card/fat/fat_on_disk.h"
#include "card/fat/mbr_entry.h"

namespace {

std::string vformat(const char *format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    return text;
}

void append_text(void *user, const char *text) { static_cast<std::string *>(user)->append(text); }

bool visit_any(void *, const char *) { return true; }

}  // namespace

collected_log::collected_log() : sink(log_create(&text, append_text)) {}
collected_log::~collected_log() { log_destroy(sink); }
std::string collected_log::line() const { return text.substr(0, text.find('\n')); }

void check_run::find(int64_t block, int64_t image, const std::string &name,
                     const std::string &problem) {
    summary->findings++;
    (*report)(check_finding{block, image, name, problem});
}

void check_run::card(const char *format, ...) {
    va_list args;
    va_start(args, format);
    find(-1, -1, "", vformat(format, args));
    va_end(args);
}

void check_run::block(const checked_block &b, const char *format, ...) {
    va_list args;
    va_start(args, format);
    find(b.number, -1, "", vformat(format, args));
    va_end(args);
}

void check_run::record(const checked_block &b, uint32_t i, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const checked_record &r = b.records[i];
    find(b.number, int64_t{b.number} * CARD_DISC_SLOTS + i, r.name, vformat(format, args));
    va_end(args);
}

void check_partitions(check_run &run) {
    uint8_t s[512];
    if (!disk_read_at(run.disk, 0, s, sizeof s)) {
        run.card("sector 0 (the partition table) is unreadable");
        return;
    }
    if (!mbr_signed(s)) run.card("the partition table has no 55 AA signature");
    collected_log refusal;
    uint32_t first = 0, size = 0;
    uint32_t sectors = static_cast<uint32_t>(std::min<uint64_t>(run.card_sectors, UINT32_MAX));
    if (!mbr_parse(refusal.sink, s, sectors, &first, &size)) run.card("%s", refusal.line().c_str());
    // A wrong type of partition #0 alone still leaves the chain to check.
    mbr_entry chain = mbr_entry_get(s, MBR_ENTRY1);
    if (chain.type == 0xDA && chain.first != 0 && chain.count >= 2 &&
        uint64_t{chain.first} + chain.count <= run.card_sectors) {
        run.first = chain.first;
        run.size = chain.count;
    }

    mbr_entry fat = mbr_entry_get(s, MBR_ENTRY0);
    if (fat.first == 0 || fat.count == 0 || uint64_t{fat.first} + fat.count > run.card_sectors) {
        run.card("partition #0 does not lie on the card (sectors %u, %u of them)", fat.first,
                 fat.count);
        return;
    }
    if (run.first != 0 && fat.first < uint64_t{run.first} + run.size &&
        run.first < uint64_t{fat.first} + fat.count)
        run.card("partition #0 overlaps partition #1");
    fat_on_disk where{run.disk, fat.first};
    fat_sector_io io = fat_io_on_disk(&where, fat.count);
    switch (fat_list_root(&io, visit_any, nullptr)) {
        case FAT_OK:
            break;
        case FAT_IO_ERROR:
            run.card("partition #0 is unreadable");
            break;
        case FAT_NOT_FAT:
            run.card("partition #0 holds no FAT file system");
            break;
        default:
            run.card("the FAT file system of partition #0 is damaged");
            break;
    }
}

std::string check_finding_text(const check_finding &f) {
    char where[64];
    if (f.image >= 0)
        snprintf(where, sizeof where, "image#%lld-%02lld", static_cast<long long>(f.image / 100),
                 static_cast<long long>(f.image % 100));
    else if (f.block >= 0)
        snprintf(where, sizeof where, "block %lld", static_cast<long long>(f.block));
    else
        snprintf(where, sizeof where, "card");
    std::string text = where;
    if (f.image >= 0) text += " \"" + f.name + "\"";
    return text + ": " + f.problem;
}

void card_check(disk_handle *disk, const char *drive, log_sink *log, const check_report &report,
                check_summary *out) {
    *out = check_summary{};
    check_run run;
    run.disk = disk;
    run.drive = drive;
    run.log = log;
    run.report = &report;
    run.summary = out;
    run.card_sectors = disk_sector_count(disk);
    // Everything is read from the medium: the cache is dropped once here,
    // not before each read (each drop waits for its range to be written out).
    if (!disk_drop_cache(disk, 0, run.card_sectors)) {
        run.card("the card's cached sectors could not be dropped: it cannot be read from the medium");
        return;
    }
    check_partitions(run);
    if (run.first == 0) return;
    check_chain(run);
    check_overlaps(run);
    check_records(run);
    if (run.stop()) return;
    check_index_discs(run);
    check_listing(run);
    if (run.stop()) return;
    check_areas(run);
}
