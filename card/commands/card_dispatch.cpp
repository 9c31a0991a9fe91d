#include "card/commands/card_dispatch.h"

#include <cstring>
#include <memory>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/layout/card_layout.h"

namespace {

const card_command_info rows[] = {
    {"add", "[imagefileprefix] (image#) (--no-verify)", card_open, card_add, 1, CARD_OPTION_NO_VERIFY},
    {"add_withname", "[imagefileprefix] [name] (image#) (--no-verify)", card_open, card_add_withname, 2, CARD_OPTION_NO_VERIFY},
    {"overwrite", "[imagefileprefix] [image#] (name) (--no-verify)", card_open, card_overwrite, 2, CARD_OPTION_NO_VERIFY},
    {"config", "[image#] [val] (name)", card_open, card_config, 2, 0},
    {"config_single",
     "[disc icon] [disc option] [rom icon] [rom option] [common option] [image#] [name]", card_open,
     card_config_single, 7, 0},
    {"config_multi",
     "[disc icon] [disc option] [rom icon] [rom option] [common option] [image#] (image#) ...",
     card_open, card_config_multi, 6, 0},
    {"format", "(" CARD_FORCE ")", format_open, card_format, 0, 0},
    {"amount_change", "[image#]", card_open, card_amount_change, 1, 0},
    {"subswap", "", card_open, card_subswap, 0, 0},
    {"rawdump", "[disc#] [imagefile]", card_open, card_rawdump, 2, 0},
    {"order", "[image#]x100", card_open, card_order, 100, 0},
    {"bkram_read", "[disc#] [destfile]", card_open, card_bkram_read, 2, 0},
    {"bkram_multiread", "[path] (overwrite=1)", card_open, card_bkram_multiread, 1, 0},
    {"bkram_write", "[disc#] [destfile]", card_open, card_bkram_write, 2, 0},
    {"mmchash", "[imagefileprefix|image#|#image#]", open_without_card, card_mmchash, 1, 0},
    {nullptr, nullptr, nullptr, nullptr, 0, 0},
};

const unsigned all_options[] = {CARD_OPTION_NO_VERIFY, CARD_OPTION_JSON, CARD_OPTION_CAPACITY};

// The row's option that text names, or 0.
unsigned option_of(const card_command_info *row, const char *text) {
    for (unsigned option : all_options)
        if ((row->options & option) != 0 && strcmp(text, card_option_text(option)) == 0)
            return option;
    return 0;
}

}  // namespace

const char *card_option_text(unsigned option) {
    switch (option) {
        case CARD_OPTION_NO_VERIFY: return "--no-verify";
        case CARD_OPTION_JSON: return "--json";
        case CARD_OPTION_CAPACITY: return "--capacity";
    }
    return "";
}

const card_command_info *card_command_list() { return rows; }

const card_command_info *card_command_find(const char *name) {
    for (const card_command_info *row = rows; row->name != nullptr; row++)
        if (strncmp(row->name, name, 20) == 0) return row;
    return nullptr;
}

bool open_without_card(card_context *c) { return drive_letter_check(c->log, c->drive); }

int card_dispatch(log_sink *log, int c, const char *const *v) {
    if (c <= 1) return 0;
    const card_command_info *row = card_command_find(v[1]);
    if (row == nullptr) {
        log_printf(log, "unknown card command %s\n", v[1]);
        return 1;
    }
    // The row's options leave the vector: the handler sees its arguments.
    unsigned options = 0;
    std::vector<const char *> kept(v, v + c);
    if (row->options != 0) {
        kept.resize(3 < c ? 3 : c);
        for (int k = 3; k < c; k++) {
            unsigned option = option_of(row, v[k]);
            options |= option;
            if (option == 0) kept.push_back(v[k]);
        }
        c = static_cast<int>(kept.size());
        v = kept.data();
    }
    if (c - 2 <= row->argnum) return 1;

    // About 53 KiB: too large for a worker thread's stack.
    auto context = std::make_unique<card_context>();
    context->disk = nullptr;
    context->log = log;
    context->drive = v[2];
    context->force = c > 3 && strcmp(v[3], CARD_FORCE) == 0;
    context->options = options;
    if (!row->open(context.get())) return 1;
    int argc = c - 3;
    int result = row->handler(context.get(), argc, argc > 0 ? v + 3 : nullptr);
    if (context->disk != nullptr) {
        // Success only once what was written is on the card.
        if (result == 1 && !disk_flush(context->disk)) result = 0;
        disk_close(context->disk);
    }
    return result == 1 ? 0 : 1;
}
