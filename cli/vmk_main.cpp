// vmk: the command line face of both command tables.
//   vmk device <command> [arguments...] [port]
//   vmk card <command> <drive> [arguments...]
//   vmk card format [--force] <drive> [--force]
//   vmk dat check <file> --dat <dat file>
// Options may stand anywhere after the command; an unknown one, too few
// arguments, or (card and dat) too many get the command's usage and status 2.
// Device commands ignore positionals after the port: the window and existing
// scripts pass the speed there.
//   vmk card list|drives ..., vmk ports, vmk help, vmk --version
// Exit status: 0 done, 1 failed, 2 unknown command or too few arguments.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/commands/block_list_picture.h"
#include "core/command_options.h"
#include "cli/card_drive_argument.h"
#include "cli/daily_commands.h"
#include "core/status.h"
#include "cli/console_log.h"
#include "cli/exit_status.h"
#include "device/device_dispatch.h"
#include "platform/disk_service.h"
#include "platform/program.h"

namespace {

int run_preview(int argc, char **argv) {
    if (argc != 6) {
        fputs("usage: vmk card preview <drive> <block#> <file.png>\n", stderr);
        return VMK_USAGE;
    }
    console_log con = console_log_create();
    std::string drive;
    int status = 1;
    if (resolve_card_drive_argument(con.sink, argv[3], &drive))
        status = card_preview(con.sink, drive.c_str(), argv[4], argv[5]);
    console_log_destroy(con);
    return status == 0 ? VMK_OK : VMK_FAILED;
}

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

int run_device(int argc, char **argv) {
    if (argc < 3) {
        print_overview(stderr);
        return VMK_USAGE;
    }
    if (asks_for_help(argc - 3, argv + 3)) return print_command_help(stdout, "device", argv[2]) ? VMK_OK : VMK_USAGE;
    const device_command *h = device_command_find(argv[2]);
    if (h == nullptr) {
        fprintf(stderr, "vmk: unknown device command '%s'\n", argv[2]);
        print_overview(stderr);
        return VMK_USAGE;
    }
    command_arguments arguments;
    if (!split_command_line("device", h->name, h->options, argc - 3, argv + 3, h->argnum, -1,
                            &arguments))
        return VMK_USAGE;
    console_log con = console_log_create();
    int ok = 0;
    device_run(con.sink, nullptr, h, arguments, &ok);
    console_log_destroy(con);
    return ok ? VMK_OK : VMK_FAILED;
}

int run_card(int argc, char **argv) {
    if (argc < 3) {
        print_overview(stderr);
        return VMK_USAGE;
    }
    if (asks_for_help(argc - 3, argv + 3)) return print_command_help(stdout, "card", argv[2]) ? VMK_OK : VMK_USAGE;
    if (strcmp(argv[2], "preview") == 0) return run_preview(argc, argv);
    if (strcmp(argv[2], "list") == 0) return run_card_list(argc - 3, argv + 3);
    if (strcmp(argv[2], "drives") == 0) return run_card_drives(argc - 3, argv + 3);
    const card_command_info *row = card_command_find(argv[2]);
    if (row == nullptr) {
        fprintf(stderr, "vmk: unknown card command '%s'\n", argv[2]);
        print_overview(stderr);
        return VMK_USAGE;
    }
    // The drive is the first positional, wherever the options stand.
    command_arguments arguments;
    int most = row->optional_args == CARD_ARGS_UNBOUNDED ? -1 : 1 + row->argnum + row->optional_args;
    if (!split_command_line("card", row->name, row->options, argc - 3, argv + 3, 1 + row->argnum,
                            most, &arguments))
        return VMK_USAGE;
    console_log con = console_log_create();
    // A card image path stands for a drive: it is given a letter first.
    std::string drive;
    int status = VMK_FAILED;
    if (resolve_card_drive_argument(con.sink, arguments.positional[0], &drive)) {
        arguments.positional[0] = drive.c_str();
        status = card_run(con.sink, row, arguments);
    }
    console_log_destroy(con);
    return status;
}

int run_command_line(int argc, char **argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        print_overview(stdout);
        return VMK_OK;
    }
    if (argc >= 2 && strcmp(argv[1], "--version") == 0) return print_version();
    if (argc >= 2 && strcmp(argv[1], "help") == 0) return run_help(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "ports") == 0)
        return asks_for_help(argc - 2, argv + 2) ? run_help(1, argv + 1) : run_ports(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "device") == 0) return run_device(argc, argv);
    if (argc >= 2 && strcmp(argv[1], "card") == 0) {
        // Outside a desktop the system's authorisation prompt comes to the terminal.
        disk_service_allow_text_agent();
        return run_card(argc, argv);
    }
    if (argc >= 2 && strcmp(argv[1], "dat") == 0) return run_dat(argc - 2, argv + 2);
    print_overview(stderr);
    return VMK_USAGE;
}

}  // namespace

int main(int argc, char **argv) {
    program_text_utf8(&argc, &argv);
    return exit_status(run_command_line(argc, argv));
}
