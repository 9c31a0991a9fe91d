// Rows "backup", "restore" and "copy": the whole card into an archive, back
// onto a card of any size that holds it, and straight onto another card.
// A card that holds images is only replaced after --format; the card check
// runs over the written card at the end.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "card/backup/card_backup.h"
#include "card/backup/card_copy.h"
#include "card/backup/card_inventory.h"
#include "card/backup/card_restore.h"
#include "card/backup/image_place.h"
#include "card/check/card_check.h"
#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_args.h"
#include "core/command_options.h"
#include "core/log_whole.h"

namespace {

// --only values, each one number or a comma-separated list.
bool only_numbers(card_context *c, std::vector<uint32_t> *out) {
    for (const command_option &o : c->arguments->options) {
        if (o.name != CARD_ONLY) continue;
        std::string list = o.value;
        for (size_t at = 0; at <= list.size();) {
            size_t comma = list.find(',', at);
            if (comma == std::string::npos) comma = list.size();
            uint64_t n;
            std::string word = list.substr(at, comma - at);
            if (!card_arg_decimal(c->log, word.c_str(), &n)) return false;
            if (n > UINT32_MAX || n % CARD_DISC_SLOTS == 0) {
                log_printf_whole(c->log, "%s: not an image number\n", word.c_str());
                return false;
            }
            out->push_back(static_cast<uint32_t>(n));
            at = comma + 1;
        }
    }
    return true;
}

// The card made ready for images: opened as it is, continuing an earlier
// run that was cut short (*skip images already there) or appending (append),
// or formatted after --format. Refused before anything is written when the
// images would not fit.
bool target_ready(card_context *t, const std::vector<const manifest_image *> &images, bool append,
                  size_t *skip) {
    const bool format = command_option_given(*t->arguments, CARD_FORMAT);
    *skip = 0;
    if (!format && card_open(t)) {
        if (!append) {
            int resume = restore_resume_point(t, images);
            if (resume < 0) {
                log_line(t->log, "the card holds other images; " CARD_FORMAT " replaces them");
                return false;
            }
            *skip = static_cast<size_t>(resume);
            if (resume > 0) log_printf(t->log, "%d images are on the card already: continuing\n", resume);
        }
        if (!managearea_select(t, t->managearea_num - 1)) return false;
        std::vector<const manifest_image *> rest(images.begin() + static_cast<ptrdiff_t>(*skip),
                                                 images.end());
        return images_fit(t->log, chain_end_of(t), rest);
    }
    if (!format) {
        log_line(t->log, "the card is not formatted for images; " CARD_FORMAT " formats it");
        return false;
    }
    if (!format_open(t)) return false;
    if (!images_fit(t->log, chain_end_fresh(disk_sector_count(t->disk)), images) ||
        card_format(t, 0, nullptr) != VMK_OK) {
        disk_close(t->disk);
        t->disk = nullptr;
        return false;
    }
    disk_close(t->disk);
    t->disk = nullptr;
    return card_open(t);
}

// The card check over the written card: every finding is a failure.
int checked(card_context *t) {
    if (!disk_flush(t->disk)) return VMK_FAILED;
    check_summary summary;
    card_check(t->disk, t->drive, t->log, [&](const check_finding &f) {
        log_printf_whole(t->log, "%s\n", check_finding_text(f).c_str());
    }, &summary);
    if (summary.findings != 0 || summary.stopped) return VMK_FAILED;
    log_printf(t->log, "card check: %u blocks, %u images, no faults\n", summary.blocks,
               summary.images);
    return VMK_OK;
}

}  // namespace

int card_backup_command(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    return vmk_status(card_backup(c, v[0], VMK_VERSION));
}

int card_restore_command(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    std::vector<uint32_t> only;
    restore_plan plan;
    if (!only_numbers(c, &only) || !restore_check(c->log, v[0], only, &plan)) return VMK_FAILED;
    log_printf_whole(c->log, "%s: %zu images, every member checked\n", v[0], plan.chosen.size());
    size_t skip = 0;
    if (!target_ready(c, plan.chosen, !only.empty(), &skip) || !restore_write(c, plan, skip))
        return VMK_FAILED;
    return checked(c);
}

int card_copy_command(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    card_inventory inventory;
    if (!card_inventory_read(c, &inventory)) return VMK_FAILED;
    std::vector<const manifest_image *> images;
    for (const manifest_image &g : inventory.manifest.images) images.push_back(&g);
    // The second drive as the first: a letter, or a card image by its path.
    drive_entry from, onto;
    if (!drive_resolve(c->log, c->drive, &from) || !drive_resolve(c->log, v[0], &onto))
        return VMK_FAILED;
    if (drive_same_card(from, onto)) {
        log_line(c->log, "a card cannot be copied onto itself");
        return VMK_FAILED;
    }
    auto to = std::make_unique<card_context>();
    to->log = c->log;
    to->drive = v[0];
    to->arguments = c->arguments;
    to->disk = nullptr;
    size_t skip = 0;
    int status = target_ready(to.get(), images, false, &skip) &&
                         card_copy(c, to.get(), inventory, skip)
                     ? checked(to.get())
                     : VMK_FAILED;
    if (to->disk != nullptr) disk_close(to->disk);
    return status;
}
