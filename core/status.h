// The one status convention of engine functions that run a command: a
// message for the user goes to the log sink, the status is returned.
//   VMK_OK      the command did what it was asked
//   VMK_FAILED  it did not; the log says why
//   VMK_USAGE   it was not run: unknown command or arguments that do not fit
// The command line's exit statuses derive from these in one place
// (cli/exit_status.h). Helpers below the commands keep returning bool.
#pragma once

enum vmk_status_code { VMK_OK = 0, VMK_FAILED = 1, VMK_USAGE = 2 };

inline int vmk_status(bool done) { return done ? VMK_OK : VMK_FAILED; }
