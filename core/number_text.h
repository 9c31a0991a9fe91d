// Numbers typed as command arguments, read strictly: the whole text is the
// number, with no blanks, no sign and no overflow. Anything else is refused,
// never read as 0 or as the digits before the first stray character.
#pragma once

#include <cstdint>

// Decimal digits only ("010" is ten, not eight).
bool parse_decimal(const char *text, uint64_t *value);
// Hexadecimal digits, with an optional "0x" or "0X" in front.
bool parse_hex(const char *text, uint64_t *value);

// Base by prefix: "0x" hexadecimal, a leading 0 octal, else decimal.
bool parse_ulong(const char *text, unsigned long *value);
// As parse_ulong, with an optional '-' in front.
bool parse_long(const char *text, long *value);
