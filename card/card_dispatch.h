// Card command table and dispatcher (the rows arrive with the card layout).
#pragma once

#include "core/log.h"

struct card_command_info {
    const char *name;
    const char *usage;
    int argnum;  // arguments after the drive letter
};

// Rows for help texts, ending with a row whose name is nullptr.
const card_command_info *card_command_list();

// Vector: "", command, drive letter, arguments... Returns 0 for success and 1
// for failure.
int card_dispatch(log_sink *log, int c, const char *const *v);
