// Pictures of text lines as rows of '#' and '.', to compare what the renderer
// put into a list image with what the fonts say a text looks like.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/imagelist/label_font.h"

struct glyph_ref {
    const label_font *font;
    unsigned code;
};

// Half-width glyphs of the bytes of an ASCII text.
std::vector<glyph_ref> ascii(const char *text);
std::vector<glyph_ref> operator+(std::vector<glyph_ref> a, const std::vector<glyph_ref> &b);
std::vector<glyph_ref> full(unsigned jis_code);
std::vector<glyph_ref> half(unsigned code);

// Glyph rows 1..12 (row 0 is blank in every glyph and shared with the line
// above) of glyphs set side by side from x = 0, cut at the page's 304 columns.
std::string glyph_line_art(const std::vector<glyph_ref> &glyphs);
// The same rows of text line `line` of one plane of page 0 or 1 of a list image.
std::string page_line_art(const uint8_t *list, int page, int plane, int line);
