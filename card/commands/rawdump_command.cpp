// "rawdump": the stored data of one entry of the first block, copied into a
// file exactly as the card holds it (length x 512 bytes).
#include <vector>

#include "card/layout/card_args.h"
#include "card/commands/card_commands.h"
#include "core/log_whole.h"
#include "core/file_replace.h"

namespace {

const uint32_t CHUNK_SECTORS = 4096;  // 2 MiB per read

// Copies the entry's sectors from the disk's current position into out.
bool copy_area(card_context *c, const disc_entry &e, file_replace *out, const char *file) {
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
        if (!file_replace_write(out, chunk.data(), bytes)) {
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
    if (argc < 2) return VMK_FAILED;
    uint64_t d;
    if (!card_arg_decimal(c->log, v[0], &d)) return VMK_FAILED;
    // Only the first block's entries: the dispatcher's open left it loaded.
    if (d >= c->disc_amount) {
        log_printf(c->log, "discnumber #%llu not found\n",
                   static_cast<unsigned long long>(d));
        return VMK_FAILED;
    }
    const disc_entry &e = c->entries[d];
    disk_set_relativepoint(c->disk, c->block + e.offset);
    if (!disk_seek_relative(c->disk, 0)) {
        log_line(c->log, "seek error");
        return VMK_FAILED;
    }
    // A cut-short dump would pass for a disc image, and a failed one must not
    // cost the file it would have replaced.
    file_replace out;
    if (!file_replace_begin(&out, v[1])) {
        log_printf_whole(c->log, "error opening file %s\n", v[1]);
        return VMK_FAILED;
    }
    if (!copy_area(c, e, &out, v[1])) return VMK_FAILED;
    if (!file_replace_commit(&out)) {
        log_printf_whole(c->log, "error writing file %s\n", v[1]);
        return VMK_FAILED;
    }
    log_printf_whole(c->log, "disc #%u: %u sectors saved into file:%s\n", static_cast<unsigned>(d),
                     e.length, v[1]);
    return VMK_OK;
}
