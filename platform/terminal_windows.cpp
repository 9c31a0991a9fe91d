#include <io.h>

#include "platform/terminal.h"

bool stream_is_terminal(FILE *stream) { return _isatty(_fileno(stream)) != 0; }
