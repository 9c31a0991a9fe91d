// vmk.1, written from the command tables and help texts that `vmk help`
// prints, so a command added to a table shows in the manual without a second
// copy of its text.
#include <cstring>
#include <string>

#include "card/commands/card_dispatch.h"
#include "cli/command_help.h"
#include "cli/daily_commands.h"
#include "device/device_dispatch.h"

namespace {

// Text as roff reads it literally: backslashes escaped, hyphens as minus
// signs (options are typed with them), no line taken for a request.
std::string roff(const std::string &text) {
    std::string out;
    bool line_start = true;
    for (char c : text) {
        if (line_start && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
        line_start = c == '\n';
    }
    return out;
}

// One command: its usage line in bold up to the arguments, then its help.
void print_entry(FILE *out, const char *half, const char *name) {
    std::string usage = command_usage_line(half, name);
    if (usage.empty()) return;
    std::string words = std::string("vmk ") + half + (half[0] != '\0' ? " " : "") + name;
    fprintf(out, ".TP\n\\fB%s\\fR%s\n", roff(words).c_str(), roff(usage.substr(words.size())).c_str());
    const command_help *help = command_help_find(half, name);
    if (help == nullptr) return;
    fprintf(out, "%s\n.br\nArguments: %s\n.br\nExample: \\fB%s\\fR\n", roff(help->what).c_str(),
            roff(help->arguments).c_str(), roff(help->example).c_str());
}

void print_own_rows(FILE *out, const char *half) {
    for (const command_help *h = command_helps; h->name != nullptr; h++)
        if (strcmp(h->half, half) == 0 && h->usage != nullptr) print_entry(out, half, h->name);
}

}  // namespace

void print_manual_page(FILE *out) {
    fputs(".TH VMK 1 \"\" \"vellumark " VMK_VERSION "\" \"User Commands\"\n"
          ".SH NAME\nvmk \\- command line of the Vellumark control panel\n.SH SYNOPSIS\n.nf\n",
          out);
    for (int i = 0; vmk_usage_lines[i] != nullptr; i++)
        fprintf(out, "%s\n", roff(vmk_usage_lines[i]).c_str());
    fprintf(out,
            ".fi\n.SH DESCRIPTION\n"
            "\\fBvmk\\fR runs the commands of the Vellumark control panel from the shell: the "
            "device commands talk to the board over a serial port at 500000 baud, the card "
            "commands write the board's SD card (or a card image file) sector by sector. The "
            "window, \\fBvellumark\\fR(1), starts the same commands.\n.PP\n%s"
            ".PP\nThe log goes to standard output. A progress bar goes to standard error when "
            "that is a terminal. Ctrl+C asks the running command to stop at its next safe "
            "point; a second Ctrl+C ends the program at once.\n",
            roff(vmk_port_note).c_str());
    fputs(".SH DEVICE COMMANDS\n", out);
    for (const device_command *h = device_commands; h->name != nullptr; h++)
        print_entry(out, "device", h->name);
    fputs(".SH CARD COMMANDS\n", out);
    for (const card_command_info *r = card_command_list(); r->name != nullptr; r++)
        print_entry(out, "card", r->name);
    print_own_rows(out, "card");
    fputs(".SH OTHER COMMANDS\n", out);
    print_own_rows(out, "");
    print_own_rows(out, "dat");
    fputs(".SH SAVE COMMANDS\n", out);
    print_own_rows(out, "save");
    fputs(".TP\n\\fBvmk \\-\\-version\\fR\nPrints the version.\n"
          ".SH EXIT STATUS\n0 when the command did what it was asked, 1 when it failed, 2 for an "
          "unknown command or option, or too few or too many arguments (the usage is "
          "printed).\n"
          ".SH SEE ALSO\n\\fBvellumark\\fR(1)\n",
          out);
}
