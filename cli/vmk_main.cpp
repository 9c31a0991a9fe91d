// vmk: the command line face of both command tables.
//   vmk device <command> [arguments...] [port]
//   vmk card <command> <drive> [arguments...]
//   vmk card format [--force] <drive> [--force]
//   vmk dat check <file>... --dat <dat file> [--card <drive>] [--patch <bps file>] [--json]
// Options may stand anywhere after the command; an unknown one, too few
// arguments, or (card and dat) too many get the command's usage and status 2.
// Device commands ignore positionals after the port: the window and existing
// scripts pass the speed there.
//   vmk card preview|list|drives ..., vmk ports, vmk help, vmk --version
// Every command is a row of a table here or of a half's command table; the
// usage and help texts of vmk's own rows are in cli/command_help.cpp.
// Exit status: 0 done, 1 failed, 2 unknown command or too few arguments.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "card/backup/backup_archive_read.h"
#include "card/commands/card_dispatch.h"
#include "card/commands/block_list_picture.h"
#include "core/command_options.h"
#include "cli/card_drive_argument.h"
#include "cli/daily_commands.h"
#include "cli/save_command.h"
#include "core/status.h"
#include "cli/console_log.h"
#include "cli/exit_status.h"
#include "device/device_dispatch.h"
#include "platform/disk_service.h"
#include "platform/program.h"

namespace {

// A command of the command line's own: its handler takes the words after
// its name and returns a status of core/status.h.
struct cli_command {
    const char *name;
    int (*run)(int argc, char **argv);
};

const cli_command *cli_command_find(const cli_command *rows, const char *name) {
    for (const cli_command *row = rows; row->name != nullptr; row++)
        if (strcmp(row->name, name) == 0) return row;
    return nullptr;
}

int run_preview(int argc, char **argv) {
    if (argc != 3) {
        fputs("usage: vmk card preview <drive> <block#> <file.png>\n", stderr);
        return VMK_USAGE;
    }
    console_log con = console_log_create();
    std::string drive;
    int status = VMK_FAILED;
    if (resolve_card_drive_argument(con.sink, argv[0], &drive))
        status = card_preview(con.sink, drive.c_str(), argv[1], argv[2]);
    console_log_destroy(con);
    return status == 0 ? VMK_OK : VMK_FAILED;
}

// Card commands of the command line alone, looked at before the card table
// (help lists them from their rows in cli/command_help.cpp).
const cli_command card_cli_commands[] = {
    {"preview", run_preview},
    {"list", run_card_list},
    {"drives", run_card_drives},
    {nullptr, nullptr},
};

// The words after the command, split by the row's options; false after the
// command's usage on stderr when an option is unknown or the number of
// positionals is outside [least, most] (most < 0: no limit).
bool split_command_line(const char *half, const char *name, const char *options, int argc,
                        char **argv, int least, int most, command_arguments *out) {
    bool ok = command_arguments_split(options, argc, argv, true, out);
    int n = static_cast<int>(out->positional.size());
    if (ok && n < least) out->refusal = "too few arguments";
    if (ok && most >= 0 && n > most) out->refusal = "surplus argument " + std::string(out->positional[static_cast<size_t>(most)]);
    if (out->refusal.empty()) return true;
    fprintf(stderr, "vmk: %s\n", out->refusal.c_str());
    print_usage(stderr, half, name);
    return false;
}

// The words after "vmk device".
int run_device(int argc, char **argv) {
    if (argc < 1) {
        print_overview(stderr);
        return VMK_USAGE;
    }
    if (asks_for_help(argc - 1, argv + 1))
        return print_command_help(stdout, "device", argv[0]) ? VMK_OK : VMK_USAGE;
    const device_command *h = device_command_find(argv[0]);
    if (h == nullptr) {
        fprintf(stderr, "vmk: unknown device command '%s'\n", argv[0]);
        print_overview(stderr);
        return VMK_USAGE;
    }
    command_arguments arguments;
    if (!split_command_line("device", h->name, h->options, argc - 1, argv + 1, h->argnum, -1,
                            &arguments))
        return VMK_USAGE;
    console_log con = console_log_create();
    int ok = 0;
    device_run(con.sink, nullptr, h, arguments, &ok);
    console_log_destroy(con);
    return vmk_status(ok != 0);
}

// The words after "vmk card".
int run_card(int argc, char **argv) {
    // Outside a desktop the system's authorisation prompt comes to the terminal.
    disk_service_allow_text_agent();
    if (argc < 1) {
        print_overview(stderr);
        return VMK_USAGE;
    }
    if (asks_for_help(argc - 1, argv + 1))
        return print_command_help(stdout, "card", argv[0]) ? VMK_OK : VMK_USAGE;
    if (const cli_command *own = cli_command_find(card_cli_commands, argv[0]))
        return own->run(argc - 1, argv + 1);
    const card_command_info *row = card_command_find(argv[0]);
    if (row == nullptr) {
        fprintf(stderr, "vmk: unknown card command '%s'\n", argv[0]);
        print_overview(stderr);
        return VMK_USAGE;
    }
    // The drive is the first positional, wherever the options stand.
    command_arguments arguments;
    int most = row->optional_args == CARD_ARGS_UNBOUNDED ? -1 : 1 + row->argnum + row->optional_args;
    if (!split_command_line("card", row->name, row->options, argc - 1, argv + 1, 1 + row->argnum,
                            most, &arguments))
        return VMK_USAGE;
    // restore takes the archive first ("restore card.tar.zst E") as well as
    // the drive first, told apart by the archive's content.
    std::vector<const char *> &p = arguments.positional;
    if (strcmp(row->name, "restore") == 0 && p.size() >= 2 && backup_archive_named(p[0]) &&
        !backup_archive_named(p[1]))
        std::swap(p[0], p[1]);
    console_log con = console_log_create();
    // A card image path must name a regular file; it is opened by that path.
    std::string drive;
    int status = VMK_FAILED;
    if (resolve_card_drive_argument(con.sink, arguments.positional[0], &drive)) {
        arguments.positional[0] = drive.c_str();
        status = card_run(con.sink, row, arguments);
    }
    console_log_destroy(con);
    return status;
}

int run_overview(int, char **) {
    print_overview(stdout);
    return VMK_OK;
}

int run_version(int, char **) { return print_version(); }

int run_ports_or_help(int argc, char **argv) {
    if (!asks_for_help(argc, argv)) return run_ports(argc, argv);
    char ports[] = "ports";
    char *words[] = {ports};
    return run_help(1, words);
}

const cli_command top_commands[] = {
    {"--help", run_overview},
    {"-h", run_overview},
    {"--version", run_version},
    {"help", run_help},
    {"ports", run_ports_or_help},
    {"device", run_device},
    {"card", run_card},
    {"dat", run_dat},
    {"save", run_save},
    {nullptr, nullptr},
};

}  // namespace

int main(int argc, char **argv) {
    program_text_utf8(&argc, &argv);
    const cli_command *row = argc >= 2 ? cli_command_find(top_commands, argv[1]) : nullptr;
    if (row == nullptr) {
        print_overview(stderr);
        return exit_status(VMK_USAGE);
    }
    return exit_status(row->run(argc - 2, argv + 2));
}
