// Card command table and dispatcher. Every card command runs through here:
// the row's open function prepares the card context, the handler does the
// work, and the dispatcher closes the card whatever the handler returned.
#pragma once

#include "card/store/drive_table.h"
#include "core/command_options.h"
#include "core/log.h"

struct card_context;

struct card_command_info {
    const char *name;   // matched on at most 20 characters
    const char *usage;  // "[required] (optional)" after the drive letter
    bool (*open)(card_context *c);
    // 1 for success, 0 for failure. v holds argc arguments after the drive
    // letter (nullptr when there are none).
    int (*handler)(card_context *c, int argc, const char *const *v);
    int argnum;  // minimum number of arguments after the drive letter
    // How many more arguments may follow (CARD_ARGS_UNBOUNDED: any number).
    int optional_args;
    // The options the row takes, as command_options.h declares them:
    // "--force", "--json --capacity", ...; nullptr for none.
    const char *options;
};

enum { CARD_ARGS_UNBOUNDED = -1 };

// The user confirmed a step that is otherwise refused (format over a file
// system it cannot list).
#define CARD_FORCE "--force"
// The card check: findings as JSON objects, one a line; the capacity probe first.
#define CARD_JSON "--json"
#define CARD_CAPACITY "--capacity"

// The table, ending with a row whose name is nullptr.
const card_command_info *card_command_list();
// The row named name (compared on at most 20 characters), or nullptr.
const card_command_info *card_command_find(const char *name);

// Vector: "", command, drive letter, arguments..., the row's options anywhere
// after the command. Returns 0 for success and 1 for failure (also for too few
// arguments, silently, and for an unknown name).
int card_dispatch(log_sink *log, int c, const char *const *v);

