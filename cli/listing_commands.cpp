#include <cstdio>
#include <cstring>
#include <string>

#include "card/commands/dat_check.h"
#include "card/store/disk_handle.h"
#include "platform/drives.h"
#include "cli/card_drive_argument.h"
#include "cli/console_log.h"
#include "cli/daily_commands.h"
#include "core/status.h"
#include "cli/listing_text.h"

namespace {

struct options {
    bool json = false;
    bool all = false;
    const char *dat = nullptr;  // --dat FILE
    std::vector<const char *> words;  // what is not an option
    const char *unknown = nullptr;
};

options read_options(int argc, char **argv) {
    options o;
    for (int i = 0; i < argc; i++) {
        if (strcmp(argv[i], "--json") == 0)
            o.json = true;
        else if (strcmp(argv[i], "--all") == 0)
            o.all = true;
        else if (strcmp(argv[i], "--dat") == 0 && i + 1 < argc)
            o.dat = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            o.unknown = argv[i];
        else
            o.words.push_back(argv[i]);
    }
    return o;
}

int refuse(const char *half, const char *name, const options &o) {
    if (o.unknown != nullptr) fprintf(stderr, "vmk: unknown option '%s'\n", o.unknown);
    print_command_help(stderr, half, name);
    return VMK_USAGE;
}

void print(const std::string &text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

}  // namespace

int run_ports(int argc, char **argv) {
    options o = read_options(argc, argv);
    if (o.unknown != nullptr || o.all || o.dat != nullptr || !o.words.empty()) return refuse("", "ports", o);
    print(ports_text(serial_port_list(), o.json));
    return VMK_OK;
}

int run_card_drives(int argc, char **argv) {
    options o = read_options(argc, argv);
    if (o.unknown != nullptr || o.dat != nullptr || !o.words.empty()) return refuse("card", "drives", o);
    drive_table_refresh();
    drive_scan_roots roots = drive_table_roots();
    std::vector<drive_row> rows;
    for (const drive_entry &e : drive_table_entries()) {
        drive_row row{e, {}, drive_via_service(e)};
        removable_disk d;
        if (e.kind == DRIVE_BLOCK_DEVICE && examine_removable_disk(roots, e.name, &d))
            row.mounts = mount_points_of(roots, d);
        rows.push_back(row);
    }
    std::vector<rejected_disk> rejected;
    if (o.all) rejected = drive_table_rejected();
    print(drives_text(rows, o.all ? &rejected : nullptr, o.json));
    return VMK_OK;
}

int run_card_list(int argc, char **argv) {
    options o = read_options(argc, argv);
    if (o.unknown != nullptr || o.all || o.words.size() != 1) return refuse("card", "list", o);
    console_log con = console_log_create();
    std::string drive;
    card_list list;
    dat_catalog dat;
    bool ok = (o.dat == nullptr || dat_check_load(con.sink, o.dat, false, false, &dat)) &&
              resolve_card_drive_argument(con.sink, o.words[0], &drive) &&
              card_list_rows(con.sink, drive.c_str(), &list) &&
              (o.dat == nullptr || dat_check_list(con.sink, drive.c_str(), dat, &list));
    console_log_destroy(con);
    if (ok) print(card_list_text(list, o.json, o.dat != nullptr));
    return ok ? VMK_OK : VMK_FAILED;
}
