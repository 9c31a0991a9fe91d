// Starting a helper program that lives beside ours and waiting for it.
// POSIX: process_posix.cpp; Windows: process_windows.cpp.
#pragma once

#include <cstddef>

#include "core/stop_request.h"

// The running program's directory with its final separator, into out.
// 0 when it cannot be found or does not fit in size bytes (NUL included).
int process_program_dir(char *out, size_t size);

// Replaces the answer of process_program_dir, so tests can put a helper of
// their own in a folder of their own; nullptr restores the real directory.
// Set it before commands run.
void process_set_program_dir(const char *directory);

// Starts the helper `name` from `directory` (which ends in a separator) with
// the given arguments, working directory `directory` and the standard handles
// inherited, and waits for it without a time limit, or until stop (when not
// null) is asked: then the helper is ended and 0 returned.
// POSIX: `<directory><name>` when it is there, else `<directory><name>.exe`
// run through `wine`; Windows: `<directory><name>.exe`, its window hidden.
// Returns 1 with *exit_code set when the program ran to
// its end, 0 when it could not be started or waited for.
int process_run_helper(const char *directory, const char *name, const char *const *args,
                       int *exit_code, const stop_request *stop = nullptr);
