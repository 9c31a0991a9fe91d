#include "card/backup/image_extract.h"

#include <memory>
#include <vector>

#include "card/backup/ccd_text.h"
#include "card/backup/stored_image.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/stored_disc_source.h"
#include "core/file_replace.h"
#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/title_file_name.h"

namespace {

std::string joined(const std::string &folder, const std::string &name) {
    if (folder.empty()) return name;
    char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

// False, naming the first file that exists, unless replacing is allowed.
bool none_exists(log_sink *log, const std::vector<std::string> &files, bool force) {
    if (force) return true;
    for (const std::string &f : files)
        if (file_size(f.c_str()) >= 0) {
            log_printf_whole(log, "%s exists; --force replaces it\n", f.c_str());
            return false;
        }
    return true;
}

bool begin(log_sink *log, file_replace *out, const std::string &name) {
    if (file_replace_begin(out, name.c_str())) return true;
    log_printf_whole(log, "cannot create %s\n", name.c_str());
    return false;
}

bool commit(log_sink *log, file_replace *out) {
    if (file_replace_commit(out)) return true;
    log_printf_whole(log, "error writing file %s\n", out->target.c_str());
    return false;
}

bool extract_rom(card_context *c, uint32_t e, const std::string &base) {
    std::vector<uint8_t> rom;
    if (!stored_rom_read(c, e, &rom)) return false;
    file_replace out;
    if (!begin(c->log, &out, base + ".pce")) return false;
    if (!file_replace_write(&out, rom.data(), rom.size())) {
        log_printf_whole(c->log, "error writing file %s\n", out.target.c_str());
        return false;
    }
    return commit(c->log, &out);
}

// The three files are committed together at the end: a failure leaves none
// of them new.
bool extract_ccd(card_context *c, stored_disc_input &disc, const std::string &base) {
    std::string text;
    if (!ccd_text(c->log, disc.description.get(), disc.source.get(), &text)) return false;
    file_replace img, sub, ccd;
    if (!begin(c->log, &img, base + ".img") || !begin(c->log, &sub, base + ".sub") ||
        !begin(c->log, &ccd, base + ".ccd"))
        return false;
    bool ok = disc_pass(c->log, disc.source.get(),
                        [&](const uint8_t *main, const uint8_t *subchannel, uint32_t n) {
                            return file_replace_write(&img, main, size_t{n} * CD_SECTOR_SIZE) &&
                                   file_replace_write(&sub, subchannel, size_t{n} * SUBCHANNEL_BYTES);
                        }) &&
              file_replace_write(&ccd, text.data(), text.size());
    if (!ok) {
        if (!log_stop_requested(c->log)) log_line(c->log, "error writing the image set");
        return false;
    }
    return commit(c->log, &ccd) && commit(c->log, &sub) && commit(c->log, &img);
}

}  // namespace

std::string extract_base_name(const card_context *c, uint32_t e, uint32_t n) {
    std::string name = title_file_name(c->entries[e].name);
    return name.empty() ? "image " + std::to_string(n) : name;
}

bool image_extract(card_context *c, uint32_t e, uint32_t n, const extract_request &r) {
    const std::string base = joined(r.folder, extract_base_name(c, e, n));
    if (disc_is_rom(c->entries[e])) {
        if (!none_exists(c->log, {base + ".pce"}, r.force)) return false;
        if (!extract_rom(c, e, base)) return false;
        log_printf_whole(c->log, "image#%u: %s.pce\n", n, base.c_str());
        return true;
    }
    if (r.form != EXTRACT_CCD) {
        log_line(c->log, r.form == EXTRACT_CUE ? "--as cue is not available yet; use --as ccd"
                                               : "--as chd is not available yet; use --as ccd");
        return false;
    }
    stored_disc_input disc;
    if (!stored_disc_open(c, e, &disc)) return false;
    if (!none_exists(c->log, {base + ".img", base + ".sub", base + ".ccd"}, r.force)) return false;
    if (!extract_ccd(c, disc, base)) return false;
    log_printf_whole(c->log, "image#%u: %s.ccd (%u sectors)\n", n, base.c_str(),
                     disc.source->sector_count);
    return true;
}
