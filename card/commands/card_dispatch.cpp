#include "card/commands/card_dispatch.h"

#include <cstring>
#include <memory>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/layout/card_layout.h"

namespace {

const card_command_info rows[] = {
    {"add", "[imagefileprefix] (image#)", card_open, card_add, 1, 1, CARD_ADD_OPTIONS},
    {"add_withname", "[imagefileprefix] [name] (image#)", card_open, card_add_withname, 2, 1,
     CARD_ADD_OPTIONS},
    {"overwrite", "[imagefileprefix] [image#] (name)", card_open, card_overwrite, 2, 1,
     CARD_NO_VERIFY},
    {"config", "[image#] [val] (name)", card_open, card_config, 2, 1, nullptr},
    {"config_single",
     "[disc icon] [disc option] [rom icon] [rom option] [common option] [image#] [name]", card_open,
     card_config_single, 7, 0, nullptr},
    {"config_multi",
     "[disc icon] [disc option] [rom icon] [rom option] [common option] [image#] (image#) ...",
     card_open, card_config_multi, 6, CARD_ARGS_UNBOUNDED, nullptr},
    {"format", "(" CARD_FORCE ")", format_open, card_format, 0, 0, CARD_FORCE},
    {"amount_change", "[image#]", card_open, card_amount_change, 1, 0, nullptr},
    {"subswap", "", card_open, card_subswap, 0, 0, nullptr},
    {"rawdump", "[disc#] [imagefile]", card_open, card_rawdump, 2, 0, nullptr},
    {"order", "[image#]x100", card_open, card_order, 100, 0, nullptr},
    {"bkram_read", "[disc#] [destfile]", card_open, card_bkram_read, 2, 0, nullptr},
    {"bkram_multiread", "[path] (overwrite=1)", card_open, card_bkram_multiread, 1, 1, nullptr},
    {"bkram_write", "[disc#] [destfile]", card_open, card_bkram_write, 2, 0, nullptr},
    {"mmchash", "[imagefileprefix|image#|#image#]", open_without_card, card_mmchash, 1, 0, nullptr},
    {"check", "(" CARD_JSON ") (" CARD_CAPACITY ")", check_open, card_check_command, 0, 0, CARD_JSON " " CARD_CAPACITY},
    {"extract", "[image#] (image#) ...", card_open_to_read, card_extract, 1, CARD_ARGS_UNBOUNDED,
     CARD_TO " FOLDER " CARD_AS " FORM " CARD_FORCE},
    {"backup", "[file.tar.zst]", card_open_to_read, card_backup_command, 1, 0, nullptr},
    {"restore", "[file.tar.zst]", open_without_card, card_restore_command, 1, 0,
     CARD_ONLY " IMAGE " CARD_FORMAT},
    {"copy", "[to-drive]", card_open_to_read, card_copy_command, 1, 0, CARD_FORMAT},
    {nullptr, nullptr, nullptr, nullptr, 0, 0, nullptr},
};

}  // namespace

const card_command_info *card_command_list() { return rows; }

const card_command_info *card_command_find(const char *name) {
    for (const card_command_info *row = rows; row->name != nullptr; row++)
        if (strncmp(row->name, name, 20) == 0) return row;
    return nullptr;
}

bool open_without_card(card_context *c) { return drive_argument_check(c->log, c->drive); }

int card_run_on(log_sink *log, const char *drive, bool (*open)(card_context *c),
                const std::function<int(card_context *c)> &work, const command_arguments *arguments) {
    // About 53 KiB: too large for a worker thread's stack.
    auto context = std::make_unique<card_context>();
    context->disk = nullptr;
    context->log = log;
    context->drive = drive;
    context->force = arguments != nullptr && command_option_given(*arguments, CARD_FORCE);
    context->arguments = arguments;
    if (!open(context.get())) return VMK_FAILED;
    int status = work(context.get());
    if (context->disk != nullptr) {
        // Success only once what was written is on the card.
        if (status == VMK_OK && !disk_flush(context->disk)) status = VMK_FAILED;
        disk_close(context->disk);
    }
    return status;
}

int card_run(log_sink *log, const card_command_info *row, const command_arguments &arguments) {
    const std::vector<const char *> &p = arguments.positional;
    if (p.size() <= static_cast<size_t>(row->argnum)) return VMK_FAILED;
    int argc = static_cast<int>(p.size()) - 1;
    return card_run_on(log, p[0], row->open, [&](card_context *c) {
        return row->handler(c, argc, argc > 0 ? p.data() + 1 : nullptr);
    }, &arguments);
}

int card_dispatch(log_sink *log, int c, const char *const *v) {
    if (c <= 1) return VMK_OK;
    const card_command_info *row = card_command_find(v[1]);
    if (row == nullptr) {
        log_printf(log, "unknown card command %s\n", v[1]);
        return VMK_FAILED;
    }
    command_arguments arguments;
    if (!command_arguments_split(row->options, c - 2, v + 2, false, &arguments)) {
        log_printf(log, "%s\n", arguments.refusal.c_str());
        return VMK_FAILED;
    }
    return card_run(log, row, arguments);
}
