// Marks a printf-style function so the compiler checks its calls. mingw's C
// library formats through its own ANSI printf (it knows %zu and %lld), which
// the compiler checks as gnu_printf; plain "printf" there would mean the old
// msvcrt rules and warn about every %zu.
#pragma once

#include <cstdio>

#if defined(__MINGW_PRINTF_FORMAT)
#define VMK_PRINTF(format_index, first_arg) \
    __attribute__((format(__MINGW_PRINTF_FORMAT, format_index, first_arg)))
#else
#define VMK_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#endif
