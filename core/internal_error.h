// A broken internal invariant (a caller passing what it must not, a size a
// platform query cannot return): reported on standard error, never in the
// user's log, in every build. The caller then fails its operation.
#pragma once

// Writes "internal error: <what>" and a line end to standard error.
void internal_error(const char *what);
