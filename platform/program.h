// The running program and its system: where it lives, its arguments and
// console text, whether a stream shows on a terminal, the helper programs it
// starts, the stop request and the signals that raise it, sleeping, and
// calendar time. Portable part (the test seams): program.cpp; POSIX:
// program_posix.cpp; Windows: program_windows.cpp.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>

// --- Stop request

// A request to stop the running command at its next safe point. Set from any
// thread (a signal handler, the window's Stop button); read by the worker.
// Lock-free so that a signal handler may set it.
struct stop_request {
    std::atomic<bool> requested{false};
};

inline void stop_ask(stop_request *s) { s->requested.store(true, std::memory_order_relaxed); }
inline void stop_clear(stop_request *s) { s->requested.store(false, std::memory_order_relaxed); }
inline bool stop_is_requested(const stop_request *s) {
    return s->requested.load(std::memory_order_relaxed);
}

// --- Stop signals

// Ctrl+C and termination requests for the command line: the first SIGINT or
// SIGTERM asks the running command to stop at its next safe point through
// the stop request; the handler then steps aside, so a second signal ends
// the process at once the system's way.
// The request must outlive the process's use of it (a static one).
void stop_signals_install(stop_request *request);

// --- Helper programs

// Starting a helper program that lives beside ours and waiting for it.

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

// --- Program text: the program's own text at its edges

// Makes *argv the arguments in UTF-8 (Windows hands them over in the ANSI
// code page, which cannot hold every file name; the copies live as long as
// the program) and has the console show the UTF-8 the program writes.
void program_text_utf8(int *argc, char ***argv);

// Whether a standard stream shows on a terminal (a person watches it) rather
// than going to a file or a pipe.
bool stream_is_terminal(FILE *stream);

// --- Sleep

// Sleeping through one seam so tests can make long waits (the 13.5 s
// calibration measurement, the reset pause) instant.
void platform_sleep_ms(unsigned milliseconds);

// Replaces the real sleep; nullptr restores it. Set it before commands run.
void platform_set_sleep_hook(void (*hook)(unsigned milliseconds));

// --- Calendar time: a moment as calendar fields, in UTC or in the machine's
// local time zone

// False (and *out untouched) when the system cannot convert t.
bool calendar_utc(time_t t, struct tm *out);
bool calendar_local(time_t t, struct tm *out);

// --- The system's side of the seams, for program.cpp only

// The running program's directory, UTF-8, ending in the system's separator.
bool process_os_executable_dir(std::string *dir);
// The system's own sleep, behind platform_sleep_ms and its test hook.
void sleep_os_ms(unsigned milliseconds);
