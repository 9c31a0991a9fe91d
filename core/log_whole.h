// Log messages that carry file and disc names: log_printf cuts its output at
// 127 characters, which would lose the end of a long path and its line end.
#pragma once

#include "core/log.h"
#include "core/printf_format.h"

// Like log_printf, without the length limit.
void log_printf_whole(log_sink *log, const char *format, ...) VMK_PRINTF(2, 3);
// Writes name followed by what (": not found\n" and the like).
void log_file_message(log_sink *log, const char *name, const char *what);
