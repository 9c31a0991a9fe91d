#include "card/imagelist/label_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char ENCODING_ERROR_TEXT[] = ">encoding error<";

// EUC-JP has no Roman numerals (U+2160..U+216F); they are spelt with letters.
const char *const ROMAN_NUMERALS[16] = {"I",  "II", "III", "IV",  "V", "VI", "VII", "VIII",
                                        "IX", "X",  "XI",  "XII", "L", "C",  "D",   "M"};

// p has at least three bytes.
const char *roman_numeral_replacement(const uint8_t *p) {
    if (p[0] == 0xE2 && p[1] == 0x85 && p[2] >= 0xA0 && p[2] <= 0xAF) {
        return ROMAN_NUMERALS[p[2] - 0xA0];
    }
    return nullptr;
}

void append_cut(const char *text, char **out, size_t *room) {
    size_t n = std::min(strlen(text), *room);
    memcpy(*out, text, n);
    *out += n;
    *room -= n;
}

// Converts in[0..in_left) into *out. False when the text cannot be shown.
bool convert_body(iconv_t cd, log_sink *log, char *in, size_t in_left, char **out, size_t *room) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, out, room) != static_cast<size_t>(-1)) return true;
        // Output full: what fits reaches well past the 303 pixels drawn,
        // unless it is mostly JIS X 0212, which is not drawn at all.
        if (errno == E2BIG) return true;
        const uint8_t *p = reinterpret_cast<const uint8_t *>(in);
        int length = utf8_character_length(p, in_left);
        // A well-formed character EUC-JP lacks is left out wherever it stands;
        // only malformed or truncated bytes spoil the whole text.
        if (length == 0) {
            log_line(log, in_left <= 2 ? "iconv() src size error"
                                       : "character encoding error for IMAGE LIST");
            return false;
        }
        const char *replacement = in_left >= 3 ? roman_numeral_replacement(p) : nullptr;
        if (replacement) {
            append_cut(replacement, out, room);
        } else {
            label_report_missing_glyph(log, p, static_cast<size_t>(length));
        }
        in += length;
        in_left -= static_cast<size_t>(length);
    }
    return true;
}

// Length of the text without a character that the 511-byte cut split.
size_t without_split_character(const uint8_t *p, size_t length) {
    size_t start = length;
    while (start > 0 && length - start < 3 && (p[start - 1] & 0xC0) == 0x80) start--;
    if (start == 0 || p[start - 1] < 0xC0) return length;
    start--;
    return utf8_character_length(p + start, length - start) == 0 ? start : length;
}

}  // namespace

int label_converters_open(label_converters *c, log_sink *log) {
    c->to_euc = iconv_open("EUC-JP", "UTF-8");
    c->to_utf8 = iconv_open("UTF-8", "EUC-JP");
    if (c->to_euc != reinterpret_cast<iconv_t>(-1) && c->to_utf8 != reinterpret_cast<iconv_t>(-1)) {
        return 1;
    }
    log_line(log, "IMAGE LIST: the UTF-8/EUC-JP converter is not available");
    label_converters_close(c);
    return 0;
}

void label_converters_close(label_converters *c) {
    if (c->to_euc != reinterpret_cast<iconv_t>(-1)) iconv_close(c->to_euc);
    if (c->to_utf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(c->to_utf8);
    c->to_euc = c->to_utf8 = reinterpret_cast<iconv_t>(-1);
}

int utf8_character_length(const uint8_t *p, size_t left) {
    static const uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (left == 0) return 0;
    uint8_t lead = p[0];
    if (lead < 0x80) return 1;
    int n;
    uint32_t code;
    if ((lead & 0xE0) == 0xC0) {
        n = 2, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (static_cast<size_t>(n) > left) return 0;
    for (int i = 1; i < n; i++) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = code << 6 | (p[i] & 0x3Fu);
    }
    if (code < smallest[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

void label_text_convert(const label_converters &c, log_sink *log, const char *text,
                        size_t text_size, char out[LABEL_TEXT_SIZE]) {
    // iconv wants a writable input pointer, hence the copy.
    char copy[LABEL_TEXT_SIZE];
    size_t limit = std::min(text_size, static_cast<size_t>(LABEL_TEXT_SIZE - 1));
    size_t length = strnlen(text, limit);
    memcpy(copy, text, length);
    if (length == limit && limit < text_size && text[limit] != '\0') {
        length = without_split_character(reinterpret_cast<const uint8_t *>(copy), length);
    }

    char *body = copy;
    size_t prefix = 2;
    if (length > 0 && copy[0] == '0') {
        body++, length--, prefix = 0;
    } else if (length > 0 && (copy[0] == '1' || copy[0] == '2')) {
        body++, length--;
        memcpy(out, "  ", 2);
    } else {
        memcpy(out, "??", 2);
    }
    char *dst = out + prefix;
    size_t room = LABEL_TEXT_SIZE - 1 - prefix;
    if (!convert_body(c.to_euc, log, body, length, &dst, &room)) {
        memcpy(out, ENCODING_ERROR_TEXT, sizeof ENCODING_ERROR_TEXT);
        return;
    }
    *dst = '\0';
}

void label_report_missing_glyph(log_sink *log, const uint8_t *utf8, size_t n) {
    log_printf(log, "IMAGE LIST: font is not found for %.*s\n", static_cast<int>(n),
               reinterpret_cast<const char *>(utf8));
}

void label_report_missing_euc(const label_converters &c, log_sink *log, const uint8_t *euc,
                              size_t n) {
    char in[4] = {};
    char utf8[16];
    n = std::min(n, sizeof in);
    memcpy(in, euc, n);
    char *src = in, *dst = utf8;
    size_t src_left = n, dst_left = sizeof utf8;
    iconv(c.to_utf8, nullptr, nullptr, nullptr, nullptr);
    if (iconv(c.to_utf8, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) {
        label_report_missing_glyph(log, reinterpret_cast<const uint8_t *>(utf8),
                                   sizeof utf8 - dst_left);
        return;
    }
    char hex[16] = "0x";
    for (size_t i = 0; i < n; i++) snprintf(hex + 2 + 2 * i, 3, "%02X", euc[i] & 0xFFu);
    log_printf(log, "IMAGE LIST: font is not found for %s\n", hex);
}
