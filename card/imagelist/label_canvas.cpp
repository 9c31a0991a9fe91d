#include "card/imagelist/label_canvas.h"

#include <cstring>

#include "card/imagelist/label_font.h"

namespace {

void draw_glyph(label_canvas *canvas, const label_font &font, int glyph, int x, int y,
                uint8_t plane_bit) {
    for (int r = 0; r < font.height && y + r < LABEL_CANVAS_ROWS; r++) {
        uint16_t bits = label_font_row(font, glyph, r);
        for (int c = 0; c < font.width && x + c < LABEL_CANVAS_WIDTH; c++) {
            if (bits & (font.first_pixel_mask >> c)) canvas->pixels[y + r][x + c] |= plane_bit;
        }
    }
}

}  // namespace

void label_canvas_clear(label_canvas *canvas) { memset(canvas->pixels, 0, sizeof canvas->pixels); }

void label_draw_text(label_canvas *canvas, const char *euc, int y, uint8_t plane_bit,
                     const label_converters &c, log_sink *log) {
    if (y < 0 || y >= LABEL_CANVAS_ROWS) return;
    const uint8_t *s = reinterpret_cast<const uint8_t *>(euc);
    int x = 0;
    while (*s != 0 && x <= LABEL_LAST_X) {
        const label_font *font;
        unsigned code;
        size_t n;
        if (s[0] >= 0x20 && s[0] <= 0x7F) {
            font = &label_font_half, code = s[0], n = 1;
        } else if (s[0] == 0x8E && s[1] != 0) {
            font = &label_font_half, code = s[1], n = 2;
        } else if (s[0] == 0x8F && s[1] != 0 && s[2] != 0) {
            // JIS X 0212: no font holds it.
            label_report_missing_euc(c, log, s, 3);
            s += 3;
            continue;
        } else if (s[0] >= 0xA1 && s[0] <= 0xFE && s[1] != 0) {
            font = &label_font_full, code = (s[0] << 8 | s[1]) & 0x7F7Fu, n = 2;
        } else {
            // Control characters, and bytes a valid conversion never yields.
            s++;
            continue;
        }
        int glyph = label_font_glyph_index(*font, code);
        if (glyph < 0) {
            label_report_missing_euc(c, log, s, n);
        } else {
            draw_glyph(canvas, *font, glyph, x, y, plane_bit);
            x += font->width;
        }
        s += n;
    }
}
