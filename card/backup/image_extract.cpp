#include "card/backup/image_extract.h"

#include <memory>
#include <vector>

#include "card/backup/ccd_text.h"
#include "card/backup/cue_extract.h"
#include "card/backup/extract_files.h"
#include "card/backup/stored_image.h"
#include "card/cdimage/chd_write.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/stored_disc_source.h"
#include "core/log_whole.h"
#include "core/status.h"
#include "core/title_file_name.h"

namespace {

bool extract_rom(card_context *c, uint32_t e, const std::string &base) {
    std::vector<uint8_t> rom;
    if (!stored_rom_read(c, e, &rom)) return false;
    file_replace out;
    return extract_file_begin(c->log, &out, base + ".pce") &&
           extract_file_write(c->log, &out, rom.data(), rom.size()) &&
           extract_file_commit(c->log, &out);
}

// The three files are committed together at the end: a failure leaves none
// of them new.
bool extract_ccd(card_context *c, stored_disc_input &disc, const std::string &base) {
    std::string text;
    if (!ccd_text(c->log, disc.description.get(), disc.source.get(), &text)) return false;
    file_replace img, sub, ccd;
    log_sink *log = c->log;
    if (!extract_file_begin(log, &img, base + ".img") ||
        !extract_file_begin(log, &sub, base + ".sub") ||
        !extract_file_begin(log, &ccd, base + ".ccd"))
        return false;
    return disc_pass(log, disc.source.get(),
                     [&](const uint8_t *main, const uint8_t *subchannel, uint32_t n) {
                         return extract_file_write(log, &img, main, size_t{n} * CD_SECTOR_SIZE) &&
                                extract_file_write(log, &sub, subchannel,
                                                   size_t{n} * SUBCHANNEL_BYTES);
                     }) &&
           extract_file_write(log, &ccd, text.data(), text.size()) &&
           extract_file_commit(log, &ccd) && extract_file_commit(log, &sub) &&
           extract_file_commit(log, &img);
}

}  // namespace

std::string extract_base_name(const card_context *c, uint32_t e, uint32_t n) {
    std::string name = title_file_name(c->entries[e].name);
    return name.empty() ? "image " + std::to_string(n) : name;
}

bool image_extract(card_context *c, uint32_t e, uint32_t n, const extract_request &r) {
    const std::string base = extract_path(r.folder, extract_base_name(c, e, n));
    if (disc_is_rom(c->entries[e])) {
        if (!extract_files_absent(c->log, {base + ".pce"}, r.force)) return false;
        if (!extract_rom(c, e, base)) return false;
        log_printf_whole(c->log, "image#%u: %s.pce\n", n, base.c_str());
        return true;
    }
    stored_disc_input disc;
    if (!stored_disc_open(c, e, &disc)) return false;
    if (r.form == EXTRACT_CUE) {
        if (!cue_extract(c->log, disc.description.get(), disc.source.get(), base, r.force))
            return false;
        log_printf_whole(c->log, "image#%u: %s.cue (%u sectors)\n", n, base.c_str(),
                         disc.source->sector_count);
        return true;
    }
    if (r.form == EXTRACT_CHD) {
        const std::string name = base + ".chd";
        if (!extract_files_absent(c->log, {name}, r.force) ||
            chd_write_disc(c->log, name.c_str(), *disc.description, disc.source.get(), {}) != VMK_OK)
            return false;
        log_printf_whole(c->log, "image#%u: %s (%u sectors)\n", n, name.c_str(),
                         disc.source->sector_count);
        return true;
    }
    if (!extract_files_absent(c->log, {base + ".img", base + ".sub", base + ".ccd"}, r.force))
        return false;
    if (!extract_ccd(c, disc, base)) return false;
    log_printf_whole(c->log, "image#%u: %s.ccd (%u sectors)\n", n, base.c_str(),
                     disc.source->sector_count);
    return true;
}
