// vmk's commands for daily use beside the two command tables: listing ports,
// card drives and a card's images, help, and the version. Each takes the
// words after "vmk" (ports) or after "vmk card" (drives, list) and returns
// the exit status: 0 done, 1 failed, 2 bad arguments.
#pragma once

#include <cstdio>
#include <string>

int run_ports(int argc, char **argv);
int run_card_drives(int argc, char **argv);
int run_card_list(int argc, char **argv);
// `vmk dat check FILE... --dat DAT [--card DRIVE] [--json]`: words after "dat".
int run_dat(int argc, char **argv);

// `vmk help [device|card|dat <command>]`: words after "help".
int run_help(int argc, char **argv);
// The usage lines of one command (with its options); false when there is no
// such command.
bool print_usage(FILE *out, const char *half, const char *name);
// The help of one command to out; false when there is no such command.
bool print_command_help(FILE *out, const char *half, const char *name);
// "vmk card add <drive> <prefix> (image#)": the command's whole usage line as
// help prints it after "usage: "; empty when there is no such command.
std::string command_usage_line(const char *half, const char *name);
// The overview's usage lines (ending with nullptr) and the note on ports and
// drives under them, shared by the overview and the manual page.
extern const char *const vmk_usage_lines[];
extern const char vmk_port_note[];
// vmk.1 in roff from the same tables and texts as help (`vmk help --man`).
void print_manual_page(FILE *out);
// The overview: usage, every command of both tables and vmk's own.
void print_overview(FILE *out);
// "vmk 0.1.0" on stdout; returns VMK_OK.
int print_version();
// True when one of the words is --help or -h.
bool asks_for_help(int argc, char **argv);
