#include "core/number_text.h"

#include <climits>

namespace {

int digit_value(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return 99;
}

// At least one digit of the base and nothing else.
bool parse_digits(const char *text, unsigned base, uint64_t *value) {
    if (text == nullptr || *text == '\0') return false;
    uint64_t v = 0;
    for (; *text != '\0'; text++) {
        unsigned d = static_cast<unsigned>(digit_value(*text));
        if (d >= base || v > (UINT64_MAX - d) / base) return false;
        v = v * base + d;
    }
    *value = v;
    return true;
}

bool has_hex_prefix(const char *text) {
    return text != nullptr && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

bool parse_any_base(const char *text, uint64_t *value) {
    if (has_hex_prefix(text)) return parse_digits(text + 2, 16, value);
    if (text != nullptr && text[0] == '0' && text[1] != '\0') return parse_digits(text + 1, 8, value);
    return parse_digits(text, 10, value);
}

}  // namespace

bool parse_decimal(const char *text, uint64_t *value) { return parse_digits(text, 10, value); }

bool parse_hex(const char *text, uint64_t *value) {
    return parse_digits(has_hex_prefix(text) ? text + 2 : text, 16, value);
}

bool parse_ulong(const char *text, unsigned long *value) {
    uint64_t v;
    if (!parse_any_base(text, &v) || v > ULONG_MAX) return false;
    *value = static_cast<unsigned long>(v);
    return true;
}

bool parse_long(const char *text, long *value) {
    bool negative = text != nullptr && text[0] == '-';
    uint64_t v;
    if (!parse_any_base(negative ? text + 1 : text, &v)) return false;
    uint64_t limit = negative ? uint64_t{LONG_MAX} + 1 : uint64_t{LONG_MAX};
    if (v > limit) return false;
    *value = negative ? static_cast<long>(0 - v) : static_cast<long>(v);
    return true;
}
