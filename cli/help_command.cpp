#include <cstring>
#include <string>

#include "core/command_options.h"

#include "card/commands/card_dispatch.h"
#include "cli/command_help.h"
#include "cli/daily_commands.h"
#include "core/status.h"
#include "device/device_dispatch.h"

namespace {

// The usage after the command name: from the command table when the command
// has a row there, else from the help row.
const char *usage_of(const char *half, const char *name, const command_help *help) {
    if (strcmp(half, "device") == 0) {
        const device_command *row = device_command_find(name);
        if (row != nullptr) return row->usage;
    } else if (strcmp(half, "card") == 0) {
        const card_command_info *row = card_command_find(name);
        if (row != nullptr) return row->usage;
    }
    return help != nullptr && help->usage != nullptr ? help->usage : nullptr;
}

bool is_table_row(const char *half, const char *name) {
    const command_help *h = command_help_find(half, name);
    return h == nullptr || h->usage == nullptr;
}

const char *options_of(const char *half, const char *name) {
    if (strcmp(half, "device") == 0) {
        const device_command *row = device_command_find(name);
        return row != nullptr ? row->options : nullptr;
    }
    const card_command_info *row = strcmp(half, "card") == 0 ? card_command_find(name) : nullptr;
    return row != nullptr ? row->options : nullptr;
}

}  // namespace

std::string command_usage_line(const char *half, const char *name) {
    const command_help *help = command_help_find(half, name);
    const char *usage = usage_of(half, name, help);
    if (usage == nullptr) return std::string();
    bool card_row = strcmp(half, "card") == 0 && is_table_row(half, name);
    bool device_row = strcmp(half, "device") == 0;
    std::string line = std::string("vmk ") + half + (half[0] != '\0' ? " " : "") + name;
    if (card_row) line += " <drive>";
    if (usage[0] != '\0') line += std::string(" ") + usage;
    if (device_row) line += " [port]";
    return line;
}

bool print_usage(FILE *out, const char *half, const char *name) {
    std::string line = command_usage_line(half, name);
    if (line.empty()) return false;
    bool device_row = strcmp(half, "device") == 0;
    fprintf(out, "usage: %s\n", line.c_str());
    if (device_row)
        fputs("       (without a port " DEVICE_DEFAULT_PORT
              " is used, or the one USB serial adapter found when it is absent)\n",
              out);
    std::string options = command_options_usage(options_of(half, name));
    if (!options.empty())
        fprintf(out, "       options, before or after the %s: %s\n", device_row ? "port" : "drive",
                options.c_str());
    return true;
}

bool print_command_help(FILE *out, const char *half, const char *name) {
    if (!print_usage(out, half, name)) return false;
    const command_help *help = command_help_find(half, name);
    if (help == nullptr) return true;
    fprintf(out, "\n%s\n  arguments: %s\n  example:   %s\n", help->what, help->arguments,
            help->example);
    return true;
}

const char *const vmk_usage_lines[] = {
    "vmk device <command> [arguments...] [port]",
    "vmk card <command> <drive> [arguments...]",
    "vmk card list <drive> [--json]",
    "vmk card drives [--all] [--json]",
    "vmk ports [--json]",
    "vmk dat check <file> --dat <dat file> [--patch <bps file>]",
    "vmk save list|copy|delete|format ...",
    "vmk help [device|card|dat|save <command>]   vmk <...> --help   vmk --version",
    nullptr,
};

const char vmk_port_note[] =
    "The port defaults to " DEVICE_DEFAULT_PORT
    ", or to the one USB serial adapter vmk ports finds when\n"
    DEVICE_DEFAULT_PORT " is absent; a name without '/' is looked up in /dev (COMn means\n"
    "/dev/ttyS(n-1)). A drive is a letter (see vmk card drives) or a card image file.\n";

void print_overview(FILE *out) {
    for (int i = 0; vmk_usage_lines[i] != nullptr; i++)
        fprintf(out, "%s%s\n", i == 0 ? "usage: " : "       ", vmk_usage_lines[i]);
    fprintf(out, "\n%s\ndevice commands:\n", vmk_port_note);
    for (const device_command *h = device_commands; h->name != nullptr; h++)
        fprintf(out, "  %-14s %s\n", h->name, h->usage);
    fputs("\ncard commands (drive: a letter, or a card image file):\n", out);
    for (const card_command_info *r = card_command_list(); r->name != nullptr; r++)
        fprintf(out, "  %-16s %s\n", r->name, r->usage);
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, "card") == 0 && h->usage != nullptr)
            fprintf(out, "  %-16s %s\n", h->name, h->usage);
    fputs("\ndat commands (a dump already on disk against a DAT file):\n", out);
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, "dat") == 0) fprintf(out, "  %-16s %s\n", h->name, h->usage);
    fputs("\nsave commands (one game's save in a backup RAM file, Memory Base image or card area):\n", out);
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, "save") == 0) fprintf(out, "  %-16s %s\n", h->name, h->usage);
    fputs("\nvmk help <device|card|dat|save> <command> tells more.\n", out);
}

int print_version() {
    puts("vmk " VMK_VERSION);
    return VMK_OK;
}

bool asks_for_help(int argc, char **argv) {
    for (int i = 0; i < argc; i++)
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) return true;
    return false;
}

namespace {

// A half's usage lines and its commands, one line each with what it does.
void print_half_help(FILE *out, const char *half) {
    const std::string prefix = std::string("vmk ") + half + " ";
    bool first = true;
    for (int i = 0; vmk_usage_lines[i] != nullptr; i++) {
        if (std::string(vmk_usage_lines[i]).rfind(prefix, 0) != 0) continue;
        fprintf(out, "%s%s\n", first ? "usage: " : "       ", vmk_usage_lines[i]);
        first = false;
    }
    fprintf(out, "\n%s commands:\n", half);
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, half) == 0) fprintf(out, "  %-16s %s\n", h->name, h->what);
    fprintf(out, "\nvmk help %s <command> tells more.\n", half);
}

}  // namespace

int run_help(int argc, char **argv) {
    if (argc == 0) {
        print_overview(stdout);
        return VMK_OK;
    }
    if (argc == 1 && strcmp(argv[0], "--man") == 0) {
        print_manual_page(stdout);
        return VMK_OK;
    }
    const char *half = argv[0];
    if (argc == 1 && (strcmp(half, "dat") == 0 || strcmp(half, "save") == 0)) {
        // The dat and save halves are small: their whole help at once.
        for (const command_help *h = command_helps; h->name != nullptr; h++)
            if (strcmp(h->half, half) == 0) print_command_help(stdout, half, h->name);
        return VMK_OK;
    }
    if (argc == 1 && (strcmp(half, "device") == 0 || strcmp(half, "card") == 0)) {
        print_half_help(stdout, half);
        return VMK_OK;
    }
    if (argc == 1 && strcmp(half, "ports") == 0) half = "";
    const char *name = argc >= 2 ? argv[1] : argv[0];
    if ((argc == 2 || half[0] == '\0') && print_command_help(stdout, half, name)) return VMK_OK;
    fprintf(stderr, "vmk: no help for '%s%s%s'\n", argv[0], argc >= 2 ? " " : "",
            argc >= 2 ? argv[1] : "");
    print_overview(stderr);
    return VMK_USAGE;
}
