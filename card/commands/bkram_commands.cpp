// "bkram_read", "bkram_write" and "bkram_multiread": the backup RAM areas of
// the card's discs, moved to and from .sav files of 2048 bytes.
#include <vector>

#include "card/layout/bkram_area.h"
#include "card/layout/card_args.h"
#include "card/commands/card_commands.h"
#include "card/layout/card_io.h"
#include "card/layout/chain_walk.h"
#include "core/log_whole.h"
#include "core/file_util.h"

namespace {

// The areas lie inside the index disc; a shorter one would put them in the
// next disc's area.
bool index_disc_holds_areas(card_context *c) {
    if (c->entries[0].length >= BKRAM_AREAS_END) return true;
    log_line(c->log, "index disc is too short for backup RAM areas");
    return false;
}

uint32_t areas_start(const card_context *c) { return c->block + c->entries[0].offset; }

// Image number text to the sector of its area, with the block loaded.
bool locate_area(card_context *c, const char *text, image_number *n, uint32_t *sector) {
    if (!card_arg_image(c, text, "disc# error", n)) return false;
    if (!managearea_select(c, n->block)) {
        log_line(c->log, "disc# error");
        return false;
    }
    if (n->record >= c->disc_amount) {
        log_line(c->log, "disc# over disc_amount");
        return false;
    }
    if (!index_disc_holds_areas(c)) return false;
    *sector = areas_start(c) + bkram_area_sector(n->record);
    return true;
}

}  // namespace

int card_bkram_read(card_context *c, int argc, const char *const *v) {
    if (argc < 2) return VMK_FAILED;
    image_number n;
    uint32_t sector;
    if (!locate_area(c, v[0], &n, &sector)) return VMK_FAILED;
    uint8_t area[BKRAM_AREA_BYTES];
    if (!card_read_at(c, sector, area, sizeof area)) return VMK_FAILED;
    if (!file_write_whole(v[1], area, sizeof area)) {
        log_printf_whole(c->log, "error writing file %s\n", v[1]);
        return VMK_FAILED;
    }
    log_printf_whole(c->log, "backup RAM data of #%d:%s is saved into file:%s\n",
                     static_cast<int>(n.value()), c->entries[n.record].name, v[1]);
    return VMK_OK;
}

int card_bkram_write(card_context *c, int argc, const char *const *v) {
    if (argc < 2) return VMK_FAILED;
    image_number n;
    uint32_t sector;
    if (!locate_area(c, v[0], &n, &sector)) return VMK_FAILED;
    // Only a whole backup RAM file goes in: anything else would leave the
    // console a damaged save area.
    int64_t size = file_size(v[1]);
    if (size < 0) {
        log_printf_whole(c->log, "%s: not found\n", v[1]);
        return VMK_FAILED;
    }
    if (size != BKRAM_AREA_BYTES) {
        log_printf_whole(c->log, "%s: file size error, a backup RAM file holds %u bytes\n", v[1],
                         BKRAM_AREA_BYTES);
        return VMK_FAILED;
    }
    uint8_t area[BKRAM_AREA_BYTES];
    if (!file_read_whole(v[1], area, sizeof area)) {
        log_printf_whole(c->log, "error opening file %s\n", v[1]);
        return VMK_FAILED;
    }
    if (!card_write_at(c, sector, area, sizeof area, "write error")) return VMK_FAILED;
    log_printf_whole(c->log, "backup RAM file %s is saved into memorycard for #%d:%s\n", v[1],
                     static_cast<int>(n.value()), c->entries[n.record].name);
    return VMK_OK;
}

int card_area_read(card_context *c, const char *text, uint8_t *area) {
    image_number n;
    uint32_t sector;
    return locate_area(c, text, &n, &sector) && card_read_at(c, sector, area, BKRAM_AREA_BYTES)
               ? VMK_OK
               : VMK_FAILED;
}

int card_area_write(card_context *c, const char *text, const uint8_t *area) {
    image_number n;
    uint32_t sector;
    return locate_area(c, text, &n, &sector) &&
                   card_write_at(c, sector, area, BKRAM_AREA_BYTES, "write error")
               ? VMK_OK
               : VMK_FAILED;
}

int card_bkram_multiread(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    long overwrite = 1;
    if (argc >= 2 && !card_arg_long(c->log, v[1], &overwrite)) return VMK_FAILED;
    // An empty path would put the files into the root folder.
    if (v[0][0] == '\0') {
        log_line(c->log, "no folder given for the backup RAM files");
        return VMK_FAILED;
    }
    const std::string path = v[0];
    std::vector<uint8_t> areas(size_t{CARD_DISC_SLOTS} * BKRAM_AREA_BYTES);
    bool all_written = true;
    auto save_block = [&](card_context *c, uint32_t k) {
        if (c->disc_amount == 0) return true;  // no index disc yet
        if (!index_disc_holds_areas(c)) return false;
        if (!card_read_at(c, areas_start(c) + BKRAM_FIRST_SECTOR, areas.data(),
                          static_cast<uint32_t>(areas.size())))
            return false;
        for (uint32_t d = 0; d < c->disc_amount; d++) {
            if (log_stop_point(c->log)) return false;
            const uint8_t *area = &areas[size_t{d} * BKRAM_AREA_BYTES];
            if (!bkram_area_holds_data(area)) continue;
            std::string name = bkram_file_name(path, CARD_DISC_SLOTS * k + d, c->entries[d].name);
            if (overwrite == 0 && file_size(name.c_str()) >= 0) {
                log_printf_whole(c->log, "(skipped) %s\n", name.c_str());
                continue;
            }
            // One file that cannot be written does not stop the others.
            if (!file_write_whole(name.c_str(), area, BKRAM_AREA_BYTES)) {
                log_printf_whole(c->log, "error writing file %s\n", name.c_str());
                all_written = false;
                continue;
            }
            log_line(c->log, name.c_str());
        }
        return true;
    };
    if (!chain_walk(c, CHAIN_WALK_ALL, save_block)) return VMK_FAILED;
    return vmk_status(all_written);
}
