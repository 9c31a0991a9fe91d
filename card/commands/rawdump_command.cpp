// "rawdump": the stored data of one entry of the first block, copied into a
// file exactly as the card holds it (length x 512 bytes).
#include <cstdio>
#include <vector>

#include "card/commands/card_args.h"
#include "card/commands/card_commands.h"
#include "core/log_whole.h"
#include "core/file_util.h"

namespace {

const uint32_t CHUNK_SECTORS = 4096;  // 2 MiB per read

// Copies the entry's sectors from the disk's current position into f.
bool copy_area(card_context *c, const disc_entry &e, FILE *f, const char *file) {
    std::vector<uint8_t> chunk(size_t{CHUNK_SECTORS} * DISK_SECTOR_SIZE);
    gauge_set_range(c->log, e.length);
    for (uint32_t done = 0; done < e.length;) {
        if (log_stop_point(c->log)) return false;
        uint32_t sectors = e.length - done < CHUNK_SECTORS ? e.length - done : CHUNK_SECTORS;
        uint32_t bytes = sectors * DISK_SECTOR_SIZE;
        if (!disk_read(c->disk, chunk.data(), bytes)) {
            log_line(c->log, "read error");
            return false;
        }
        if (fwrite(chunk.data(), 1, bytes, f) != bytes) {
            log_printf_whole(c->log, "error writing file %s\n", file);
            return false;
        }
        done += sectors;
        gauge_step(c->log, sectors);
    }
    return true;
}

}  // namespace

int card_rawdump(card_context *c, int argc, const char *const *v) {
    if (argc < 2) return 0;
    unsigned long d;
    if (!card_arg_ulong(c->log, v[0], &d)) return 0;
    // Only the first block's entries: the dispatcher's open left it loaded.
    if (d >= c->disc_amount) {
        log_printf(c->log, "discnumber #%lu not found\n", d);
        return 0;
    }
    const disc_entry &e = c->entries[d];
    disk_set_relativepoint(c->disk, c->block + e.offset);
    if (!disk_seek_relative(c->disk, 0)) {
        log_line(c->log, "seek error");
        return 0;
    }
    FILE *f = file_open(v[1], "wb");
    if (f == nullptr) {
        log_printf_whole(c->log, "error opening file %s\n", v[1]);
        return 0;
    }
    bool copied = copy_area(c, e, f, v[1]);
    if (fclose(f) != 0 && copied) {
        log_printf_whole(c->log, "error writing file %s\n", v[1]);
        copied = false;
    }
    // A cut-short dump would pass for a disc image; it does not stay.
    if (!copied) {
        remove(v[1]);
        return 0;
    }
    log_printf_whole(c->log, "disc #%lu: %u sectors saved into file:%s\n", d, e.length, v[1]);
    return 1;
}
