// What each command of both tables does, its arguments and an example, for
// `vmk help` and `--help`. The usage texts stay in the command tables; this
// table holds only the prose beside them, looked up by half and name.
#pragma once

struct command_help {
    const char *half;  // "device", "card", or "" for vmk's own commands
    const char *name;
    const char *usage;  // for commands that have no table row, else nullptr
    const char *what;   // one line: what the command does
    const char *arguments;
    const char *example;
};

// The table, ending with a row whose name is nullptr.
extern const command_help command_helps[];

// nullptr when the command has no help row.
const command_help *command_help_find(const char *half, const char *name);
