#include "card/imagelist/label_font.h"

int label_font_glyph_index(const label_font &font, unsigned code) {
    for (const label_font_range *r = font.ranges; r->first != 0xFFFF; r++) {
        if (code >= r->first && code <= r->last) return static_cast<int>(code - r->first + r->base);
    }
    return -1;
}

uint16_t label_font_row(const label_font &font, int glyph, int row) {
    const uint8_t *p = font.glyphs + (static_cast<long>(glyph) * LABEL_GLYPH_ROWS + row) * 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
