// Rows "add", "add_withname" and "overwrite" of the card command table.
#include <string>

#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/commands/dat_check.h"
#include "card/layout/card_layout.h"
#include "card/write/image_add.h"
#include "core/command_options.h"
#include "core/log_whole.h"

namespace {

// With --dat, the input is checked before it is added (a pass of its own)
// and the result logged; with --name-by-dat a game the DAT names gives the
// stored name, which the add cuts to the name's room on whole characters.
int add_checked(card_context *c, int argc, const char *const *v, add_request r) {
    const char *dat_path = c->arguments != nullptr ? command_option_value(*c->arguments, CARD_DAT) : nullptr;
    const bool by_dat = c->arguments != nullptr && command_option_given(*c->arguments, CARD_NAME_BY_DAT);
    if (dat_path == nullptr) {
        if (by_dat) {
            log_line(c->log, CARD_NAME_BY_DAT " needs " CARD_DAT " FILE");
            return VMK_FAILED;
        }
        return image_add(c, argc, v, r);
    }
    // A DAT of the other kind is no reason to refuse the add: the input is
    // then simply unknown to it.
    dat_catalog dat;
    dat_check_report report;
    if (!dat_check_load(c->log, dat_path, false, false, &dat) ||
        !dat_check_file(c->log, dat, v[0], &report))
        return VMK_FAILED;
    const std::string title = dat_check_title(report);
    log_printf_whole(c->log, "DAT: %s%s%s\n", dat_check_verdict(report).c_str(),
                     title.empty() ? "" : ": ", title.c_str());
    if (by_dat && !title.empty()) {
        r.name = title.c_str();
        log_printf_whole(c->log, "name: %s\n", title.c_str());
    }
    return image_add(c, argc, v, r);
}

}  // namespace

int card_add(card_context *c, int argc, const char *const *v) {
    return add_checked(c, argc, v, {0, 1, argc > 1, false, false});
}

int card_add_withname(card_context *c, int argc, const char *const *v) {
    return add_checked(c, argc, v, {1, 2, argc > 2, false, false});
}

int card_overwrite(card_context *c, int argc, const char *const *v) {
    return image_add(c, argc, v, {argc >= 3 ? 2 : 0, 1, true, true, true});
}
