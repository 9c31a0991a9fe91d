// Strict number parsing for command arguments.
#include <cerrno>
#include <cstdlib>

#include "card/layout/card_layout.h"

namespace {

// strtoul and strtol skip blanks and take signs; command arguments may not.
bool plain_digits_start(const char *text, bool sign_allowed) {
    if (text == nullptr || *text == '\0') return false;
    if (sign_allowed && *text == '-') text++;
    return *text >= '0' && *text <= '9';
}

}  // namespace

bool parse_ulong(const char *text, unsigned long *value) {
    if (!plain_digits_start(text, false)) return false;
    char *end;
    errno = 0;
    unsigned long v = strtoul(text, &end, 0);
    if (errno != 0 || *end != '\0') return false;
    *value = v;
    return true;
}

bool parse_long(const char *text, long *value) {
    if (!plain_digits_start(text, true)) return false;
    char *end;
    errno = 0;
    long v = strtol(text, &end, 0);
    if (errno != 0 || *end != '\0') return false;
    *value = v;
    return true;
}
