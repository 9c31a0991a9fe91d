#include "platform/program_text.h"

// Arguments arrive as the bytes of their names, UTF-8 on the systems we run on;
// a terminal shows what it is sent.
void program_text_utf8(int *, char ***) {}
