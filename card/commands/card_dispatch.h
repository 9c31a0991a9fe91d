// Card command table and dispatcher. Every card command runs through here:
// the row's open function prepares the card context, the handler does the
// work, and the dispatcher closes the card whatever the handler returned.
#pragma once

#include <functional>

#include "card/store/drive_table.h"
#include "core/command_options.h"
#include "core/log.h"
#include "core/status.h"

struct card_context;

struct card_command_info {
    const char *name;   // matched on at most 20 characters
    const char *usage;  // "[required] (optional)" after the drive letter
    bool (*open)(card_context *c);
    // VMK_OK or VMK_FAILED (core/status.h). v holds argc arguments after the
    // drive letter (nullptr when there are none).
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
// Extracting: the folder the files go to and their form (ccd, cue, chd).
#define CARD_TO "--to"
#define CARD_AS "--as"
// Adding: the input checked against a DAT as it is added, and stored under
// the title the DAT gives it.
#define CARD_DAT "--dat"
#define CARD_NAME_BY_DAT "--name-by-dat"
#define CARD_ADD_OPTIONS \
    CARD_NO_VERIFY " " CARD_DAT " FILE " CARD_NAME_BY_DAT " " CARD_PATCH " FILE"

// Restoring and copying: formatting a card that holds images, and the
// images to restore.
#define CARD_FORMAT "--format"
#define CARD_ONLY "--only"

// The table, ending with a row whose name is nullptr.
const card_command_info *card_command_list();
// The row named name (compared on at most 20 characters), or nullptr.
const card_command_info *card_command_find(const char *name);

// Opens the card in drive with open, runs work on it, and closes it: work
// succeeds only once what it wrote is on the card. For commands that use the
// card without a row of their own (a save moved into a disc's area).
int card_run_on(log_sink *log, const char *drive, bool (*open)(card_context *c),
                const std::function<int(card_context *c)> &work,
                const command_arguments *arguments = nullptr);

// Runs row on arguments already split by its options: the drive letter, then
// the row's arguments. VMK_OK or VMK_FAILED (also, silently, for too few).
int card_run(log_sink *log, const card_command_info *row, const command_arguments &arguments);

// The vector form, for the window's workers: split once, then card_run.
// Vector: "", command, drive letter, arguments..., the row's options anywhere
// after the command. Returns VMK_OK or VMK_FAILED (also for too few
// arguments, silently, and for an unknown name); VMK_OK for an empty vector.
int card_dispatch(log_sink *log, int c, const char *const *v);

