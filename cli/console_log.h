// The command line's log sink and gauge: the log goes to stdout byte for
// byte; a progress bar with the transfer rate goes to stderr, and only when
// stderr is a terminal so that scripts and pipes see clean output.
#pragma once

#include "core/log.h"

struct console_log {
    log_sink *sink;
    gauge_record *gauge;
};

// The sink carries a stop request that the first Ctrl+C (SIGINT, SIGTERM)
// sets; a second one ends the process.
console_log console_log_create();
// Ends the progress bar line, if one is showing, and frees both records.
void console_log_destroy(console_log &c);
