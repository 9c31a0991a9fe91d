// Log sink and progress gauge: the one channel through which every command of
// both halves reports text and progress. Toolkit-free on purpose: the window
// side supplies a sink that appends to its log control, the command line one
// that writes to stdout.
//
// Threading: a sink and its gauge are called on the thread that runs the
// command. Whoever installs a window-backed sink must carry the calls over to
// the window thread in call order without waiting for the command to end.
#pragma once

#include <cstdint>

#include "core/printf_format.h"
#include "platform/program.h"

struct gauge_record {
    void *user;
    void (*set_range)(void *user, int64_t total);
    void (*step)(void *user, int64_t units);
};

struct log_sink {
    void *user;
    // Emits a zero-terminated UTF-8 text unchanged and adds nothing.
    void (*write)(void *user, const char *text);
    gauge_record *gauge;  // not owned
    stop_request *stop;   // not owned; null when nobody can ask to stop
};

// The creator owns what it creates and frees it with the matching destroy.
log_sink *log_create(void *user, void (*write)(void *user, const char *text));
void log_destroy(log_sink *l);
gauge_record *gauge_create(void *user, void (*set_range)(void *, int64_t),
                           void (*step)(void *, int64_t));
void gauge_destroy(gauge_record *g);

// Replaces the gauge pointer; the previous gauge is not freed.
void log_attach_gauge(log_sink *l, gauge_record *g);
// Replaces the stop request the command sees; null for none.
void log_attach_stop(log_sink *l, stop_request *s);
// True once someone asked the running command to stop. Commands look at it at
// their safe points (between chunks, banks or discs, never inside a commit)
// and then end with "stopped" and a failure status.
bool log_stop_requested(const log_sink *l);
// A safe point: true, after writing the line "stopped", when a stop was asked.
bool log_stop_point(log_sink *l);

void log_write(log_sink *l, const char *text);
// Formats into a 128-byte buffer (longer output is cut to 127 characters) and
// writes once. Returns the formatter's result.
int log_printf(log_sink *l, const char *format, ...) VMK_PRINTF(2, 3);
// Two writes: the text, then "\n".
void log_line(log_sink *l, const char *text);

// Forward to the attached gauge. A sink without a gauge is a caller error:
// reported on stderr as "l->gauge != NULL" and otherwise ignored.
void gauge_set_range(log_sink *l, int64_t total);
void gauge_step(log_sink *l, int64_t units);

// A sink that drops everything, for callers that want no output.
log_sink *log_null();
