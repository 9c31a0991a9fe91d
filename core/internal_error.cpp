#include "core/internal_error.h"

#include <cstdio>

void internal_error(const char *what) { fprintf(stderr, "internal error: %s\n", what); }
