#include <unistd.h>

#include "platform/terminal.h"

bool stream_is_terminal(FILE *stream) { return isatty(fileno(stream)) != 0; }
