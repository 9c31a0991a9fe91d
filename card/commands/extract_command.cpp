// Row "extract": stored images written back as files into a folder.
#include <cstring>
#include <vector>

#include "card/backup/image_extract.h"
#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_args.h"
#include "core/command_options.h"

namespace {

bool form_named(const char *text, extract_form *form) {
    static const struct {
        const char *name;
        extract_form form;
    } forms[] = {{"ccd", EXTRACT_CCD}, {"cue", EXTRACT_CUE}, {"chd", EXTRACT_CHD}};
    for (const auto &f : forms)
        if (strcmp(text, f.name) == 0) {
            *form = f.form;
            return true;
        }
    return false;
}

}  // namespace

int card_extract(card_context *c, int argc, const char *const *v) {
    const char *folder = command_option_value(*c->arguments, CARD_TO);
    if (folder == nullptr || folder[0] == '\0') {
        log_line(c->log, "extract needs " CARD_TO " FOLDER");
        return VMK_FAILED;
    }
    extract_request r{folder, EXTRACT_CCD, c->force};
    const char *as = command_option_value(*c->arguments, CARD_AS);
    if (as != nullptr && !form_named(as, &r.form)) {
        log_printf(c->log, "%s: not a form; " CARD_AS " takes ccd, cue or chd\n", as);
        return VMK_FAILED;
    }
    // Every number is checked before the first file is written.
    std::vector<image_number> numbers(static_cast<size_t>(argc));
    for (int i = 0; i < argc; i++) {
        image_number &n = numbers[static_cast<size_t>(i)];
        if (!card_arg_image(c, v[i], "manage area block not found", &n) ||
            !managearea_select(c, n.block))
            return VMK_FAILED;
        if (n.record >= c->disc_amount) {
            log_printf(c->log, "image#%u not found\n", n.value());
            return VMK_FAILED;
        }
    }
    for (const image_number &n : numbers)
        if (!managearea_select(c, n.block) || !image_extract(c, n.record, n.value(), r))
            return VMK_FAILED;
    return VMK_OK;
}
