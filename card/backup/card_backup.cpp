#include "card/backup/card_backup.h"

#include "card/backup/backup_archive_write.h"
#include "card/backup/card_inventory.h"
#include "card/backup/ccd_text.h"
#include "card/backup/stored_image.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/stored_disc_source.h"
#include "core/log_whole.h"

namespace {

struct member_list {
    backup_writer *w;
    std::vector<manifest_file> files;

    bool whole(const std::string &name, const void *data, size_t length) {
        std::string sha1;
        if (!backup_member_begin(w, name, length) || !backup_member_write(w, data, length) ||
            !backup_member_end(w, &sha1))
            return false;
        files.push_back({name, length, sha1});
        return true;
    }
};

bool back_up_disc(card_context *c, const manifest_image &g, member_list *out) {
    stored_disc_input disc;
    if (!stored_disc_open(c, g.number % CARD_DISC_SLOTS, &disc)) return false;
    std::string text;
    if (!ccd_text(c->log, disc.description.get(), disc.source.get(), &text) ||
        !out->whole(g.stem + ".ccd", text.data(), text.size()))
        return false;
    const uint64_t main_bytes = uint64_t{g.sectors} * CD_SECTOR_SIZE;
    std::vector<uint8_t> sub;
    sub.reserve(size_t{g.sectors} * SUBCHANNEL_BYTES);
    std::string sha1;
    if (!backup_member_begin(out->w, g.stem + ".img", main_bytes) ||
        !disc_pass(c->log, disc.source.get(),
                   [&](const uint8_t *main, const uint8_t *block, uint32_t n) {
                       sub.insert(sub.end(), block, block + size_t{n} * SUBCHANNEL_BYTES);
                       return backup_member_write(out->w, main, size_t{n} * CD_SECTOR_SIZE);
                   }) ||
        !backup_member_end(out->w, &sha1))
        return false;
    out->files.push_back({g.stem + ".img", main_bytes, sha1});
    return out->whole(g.stem + ".sub", sub.data(), sub.size());
}

}  // namespace

bool card_backup(card_context *c, const std::string &file, const char *program_version) {
    card_inventory inventory;
    if (!card_inventory_read(c, &inventory)) return false;
    backup_manifest &m = inventory.manifest;
    m.program = program_version;
    backup_writer_ptr w = backup_writer_open(c->log, file);
    if (w == nullptr) return false;
    member_list out{w.get(), {}};
    for (const manifest_image &g : m.images) {
        if (!managearea_select(c, g.number / CARD_DISC_SLOTS)) return false;
        log_printf_whole(c->log, "image#%u %s\n", g.number, g.name.c_str());
        if (g.rom) {
            std::vector<uint8_t> rom;
            if (!stored_rom_read(c, g.number % CARD_DISC_SLOTS, &rom) ||
                !out.whole(g.stem + ".pce", rom.data(), rom.size()))
                return false;
        } else if (!back_up_disc(c, g, &out)) {
            return false;
        }
        if (!g.sav.empty()) {
            const std::vector<uint8_t> &area = inventory.saves[g.number];
            if (!out.whole(g.sav, area.data(), area.size())) return false;
        }
    }
    m.files = std::move(out.files);
    const std::string text = manifest_text(m);
    std::string sha1;
    if (!backup_member_begin(w.get(), MANIFEST_NAME, text.size()) ||
        !backup_member_write(w.get(), text.data(), text.size()) ||
        !backup_member_end(w.get(), &sha1) || !backup_writer_finish(w.get()))
        return false;
    log_printf_whole(c->log, "%zu images backed up into %s\n", m.images.size(), file.c_str());
    return true;
}
