#include "tests/card/imagelist/line_art.h"

#include "card/imagelist/label_canvas.h"
#include "card/imagelist/list_image.h"

std::vector<glyph_ref> ascii(const char *text) {
    std::vector<glyph_ref> glyphs;
    for (const char *p = text; *p; p++) glyphs.push_back({&label_font_half, uint8_t(*p)});
    return glyphs;
}

std::vector<glyph_ref> operator+(std::vector<glyph_ref> a, const std::vector<glyph_ref> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<glyph_ref> full(unsigned jis_code) { return {{&label_font_full, jis_code}}; }
std::vector<glyph_ref> half(unsigned code) { return {{&label_font_half, code}}; }

std::string glyph_line_art(const std::vector<glyph_ref> &glyphs) {
    std::vector<std::string> rows(LABEL_GLYPH_ROWS - 1, std::string(LIST_PAGE_WIDTH, '.'));
    int x = 0;
    for (const glyph_ref &g : glyphs) {
        int index = label_font_glyph_index(*g.font, g.code);
        if (index < 0) return "no glyph for code " + std::to_string(g.code);
        for (int r = 1; r < LABEL_GLYPH_ROWS; r++) {
            uint16_t bits = label_font_row(*g.font, index, r);
            for (int c = 0; c < g.font->width && x + c < LIST_PAGE_WIDTH; c++) {
                if (bits & (g.font->first_pixel_mask >> c)) rows[r - 1][x + c] = '#';
            }
        }
        x += g.font->width;
    }
    std::string art;
    for (const std::string &row : rows) art += row + "\n";
    return art;
}

std::string page_line_art(const uint8_t *list, int page, int plane, int line) {
    const uint8_t *p = list + (page == 0 ? LIST_FIRST_PAGE_OFFSET : LIST_SECOND_PAGE_OFFSET);
    size_t bytes = page == 0 ? LIST_PAGE_SIZE : LIST_SECOND_PAGE_KEPT;
    std::string art;
    // Canvas row y + r is page row y + r - 1: the canvas' first row is dropped.
    for (int r = 1; r < LABEL_GLYPH_ROWS; r++) {
        int y = line * LABEL_LINE_PITCH + r - 1;
        for (int x = 0; x < LIST_PAGE_WIDTH; x++) {
            art += list_page_pixel(p, bytes, x, y) & (1 << plane) ? '#' : '.';
        }
        art += "\n";
    }
    return art;
}
