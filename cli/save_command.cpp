// `vmk save list|copy|delete|format`: the words after "save". A place is a
// file, "card:<drive>:<image#>", or (list, delete) --card <drive> <image#>;
// the drive may be a card image file, as for every card command.
#include "core/status.h"
#include "cli/save_command.h"

#include <cstring>
#include <string>

#include "card/commands/save_commands.h"
#include "cli/card_drive_argument.h"
#include "cli/console_log.h"
#include "cli/daily_commands.h"
#include "core/command_options.h"
#include "platform/disk_service.h"

namespace {

struct save_verb {
    const char *name;
    const char *options;
    int least, most;  // positionals, without --card's two
};

const save_verb verbs[] = {
    {"list", "--json --card", 1, 1},
    {"copy", "--replace", 3, 3},
    {"delete", "--card", 2, 2},
    {"format", "--memory-base --gzip", 1, 1},
};

// A card place's drive, given as a card image path, becomes a letter.
bool resolve(log_sink *log, save_place *place) {
    if (!place->card) return true;
    disk_service_allow_text_agent();
    return resolve_card_drive_argument(log, place->drive.c_str(), &place->drive);
}

int run(const save_verb &verb, const command_arguments &a, log_sink *log) {
    std::vector<std::string> words(a.positional.begin(), a.positional.end());
    save_place first;
    size_t next = 1;
    if (command_option_given(a, "--card")) {
        first.card = true;
        first.drive = words[0];
        first.image = words[1][0] == '#' ? words[1].substr(1) : words[1];
        next = 2;
    } else {
        first = save_place_parse(words[0]);
    }
    if (strcmp(verb.name, "format") == 0)
        return save_command_format(log, words[0].c_str(),
                                   command_option_given(a, "--memory-base") ? SAVE_MEMORY_BASE : SAVE_BACKUP_RAM,
                                   command_option_given(a, "--gzip"));
    if (!resolve(log, &first)) return VMK_FAILED;
    if (strcmp(verb.name, "list") == 0) return save_command_list(log, first, command_option_given(a, "--json"));
    if (strcmp(verb.name, "delete") == 0) return save_command_delete(log, first, words[next]);
    save_place to = save_place_parse(words[2]);
    if (!resolve(log, &to)) return VMK_FAILED;
    return save_command_copy(log, first, words[1], to, command_option_given(a, "--replace"));
}

}  // namespace

int run_save(int argc, char **argv) {
    if (argc < 1) {
        for (const save_verb &verb : verbs) print_usage(stderr, "save", verb.name);
        return VMK_USAGE;
    }
    if (asks_for_help(argc - 1, argv + 1)) return print_command_help(stdout, "save", argv[0]) ? VMK_OK : VMK_USAGE;
    for (const save_verb &verb : verbs) {
        if (strcmp(argv[0], verb.name) != 0) continue;
        command_arguments a;
        bool ok = command_arguments_split(verb.options, argc - 1, argv + 1, true, &a);
        int extra = command_option_given(a, "--card") ? 1 : 0;
        int n = static_cast<int>(a.positional.size());
        if (ok && (n < verb.least + extra || n > verb.most + extra))
            a.refusal = n < verb.least + extra ? "too few arguments" : "too many arguments";
        if (!a.refusal.empty()) {
            fprintf(stderr, "vmk: %s\n", a.refusal.c_str());
            print_usage(stderr, "save", verb.name);
            return VMK_USAGE;
        }
        console_log con = console_log_create();
        int status = run(verb, a, con.sink);
        console_log_destroy(con);
        return status;
    }
    fprintf(stderr, "vmk: unknown save command '%s'\n", argv[0]);
    for (const save_verb &verb : verbs) print_usage(stderr, "save", verb.name);
    return VMK_USAGE;
}
