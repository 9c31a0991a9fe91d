// Slot texts of the image list: marker rule and conversion from UTF-8 to the
// EUC-JP bytes that the label fonts draw.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>

#include "core/log.h"

// A converted text: at most 511 bytes and a terminating zero.
enum { LABEL_TEXT_SIZE = 512 };

struct label_converters {
    iconv_t to_euc;   // UTF-8 -> EUC-JP
    iconv_t to_utf8;  // EUC-JP -> UTF-8, for messages naming a character
};

// 1 when both converters are open; 0 with a message otherwise (nothing to close).
int label_converters_open(label_converters *c, log_sink *log);
void label_converters_close(label_converters *c);

// Converts one slot text (read up to text_size bytes, at most 511) into the
// bytes to draw. The first character is a marker: "0" draws the rest as it
// is, "1" and "2" draw two spaces and the rest, anything else draws "??" and
// the whole text. Characters EUC-JP lacks are replaced (Roman numerals) or
// reported and left out; malformed UTF-8 makes the text ">encoding error<".
// What does not fit the 511 bytes is cut at a character boundary.
void label_text_convert(const label_converters &c, log_sink *log, const char *text,
                        size_t text_size, char out[LABEL_TEXT_SIZE]);

// Length of the well-formed UTF-8 character at p (1..4), or 0 when the bytes
// are not one within the left bytes (overlong forms and surrogates included).
int utf8_character_length(const uint8_t *p, size_t left);

// Reports "IMAGE LIST: font is not found for %s\n" naming the UTF-8 form of
// utf8 bytes (n of them); bytes that are not UTF-8 are named in hex.
void label_report_missing_glyph(log_sink *log, const uint8_t *utf8, size_t n);
// The same for an EUC-JP character, converted back to UTF-8 first.
void label_report_missing_euc(const label_converters &c, log_sink *log, const uint8_t *euc,
                              size_t n);
