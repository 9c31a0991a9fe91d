// vmk: the command line face of both command tables.
//   vmk device <command> [arguments...] [port]
//   vmk card <command> <drive> [arguments...]
//   vmk card format [--force] <drive> [--force]
//   vmk card list|drives ..., vmk ports, vmk help, vmk --version
// Exit status: 0 done, 1 failed, 2 unknown command or too few arguments.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/commands/block_list_picture.h"
#include "cli/card_drive_argument.h"
#include "cli/daily_commands.h"
#include "cli/console_log.h"
#include "device/device_dispatch.h"
#include "platform/disk_service.h"
#include "platform/program_text.h"

namespace {

int run_preview(int argc, char **argv) {
    if (argc != 6) {
        fputs("usage: vmk card preview <drive> <block#> <file.png>\n", stderr);
        return 2;
    }
    console_log con = console_log_create();
    std::string drive;
    int status = 1;
    if (resolve_card_drive_argument(con.sink, argv[3], &drive))
        status = card_preview(con.sink, drive.c_str(), argv[4], argv[5]);
    console_log_destroy(con);
    return status == 0 ? 0 : 1;
}

// The vector the dispatchers take: "", command, then the rest.
std::vector<const char *> dispatch_vector(int argc, char **argv) {
    std::vector<const char *> v{""};
    for (int i = 2; i < argc; i++) v.push_back(argv[i]);
    return v;
}

int run_device(int argc, char **argv) {
    if (argc < 3) {
        print_overview(stderr);
        return 2;
    }
    if (asks_for_help(argc - 3, argv + 3)) return print_command_help(stdout, "device", argv[2]) ? 0 : 2;
    const device_command *h = device_command_find(argv[2]);
    if (h == nullptr) {
        fprintf(stderr, "vmk: unknown device command '%s'\n", argv[2]);
        print_overview(stderr);
        return 2;
    }
    if (argc - 3 < h->argnum) {
        fprintf(stderr, "usage: vmk device %s %s [port]\n", h->name, h->usage);
        return 2;
    }
    std::vector<const char *> v = dispatch_vector(argc, argv);
    console_log con = console_log_create();
    int ok = 0;
    device_dispatch(con.sink, nullptr, static_cast<int>(v.size()), v.data(), &ok);
    console_log_destroy(con);
    return ok ? 0 : 1;
}

int run_card(int argc, char **argv) {
    if (argc < 3) {
        print_overview(stderr);
        return 2;
    }
    if (asks_for_help(argc - 3, argv + 3)) return print_command_help(stdout, "card", argv[2]) ? 0 : 2;
    if (strcmp(argv[2], "preview") == 0) return run_preview(argc, argv);
    if (strcmp(argv[2], "list") == 0) return run_card_list(argc - 3, argv + 3);
    if (strcmp(argv[2], "drives") == 0) return run_card_drives(argc - 3, argv + 3);
    const card_command_info *row = card_command_find(argv[2]);
    if (row == nullptr) {
        fprintf(stderr, "vmk: unknown card command '%s'\n", argv[2]);
        print_overview(stderr);
        return 2;
    }
    // "--force" reads naturally before the drive too; the table wants it after.
    if (argc >= 4 && strcmp(argv[3], CARD_FORCE) == 0) {
        if (argc == 4) argc = 3;  // no drive: the usage below
        else std::swap(argv[3], argv[4]);
    }
    if (argc - 4 < row->argnum) {
        fprintf(stderr, "usage: vmk card %s <drive> %s\n", row->name, row->usage);
        return 2;
    }
    std::vector<const char *> v = dispatch_vector(argc, argv);
    console_log con = console_log_create();
    // A card image path stands for a drive: it is given a letter first.
    std::string drive;
    int status = 1;
    if (resolve_card_drive_argument(con.sink, v[2], &drive)) {
        v[2] = drive.c_str();
        status = card_dispatch(con.sink, static_cast<int>(v.size()), v.data());
    }
    console_log_destroy(con);
    return status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    program_text_utf8(&argc, &argv);
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        print_overview(stdout);
        return 0;
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
    print_overview(stderr);
    return 2;
}
