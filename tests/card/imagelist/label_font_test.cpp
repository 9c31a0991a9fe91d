#include "card/imagelist/label_font.h"

#include <gtest/gtest.h>

namespace {

struct font_case {
    const char *name;
    const label_font &font;
    int entries;
    int glyphs;
};

const font_case FONTS[] = {
    {"half-width", label_font_half, 2, 192},
    {"full-width", label_font_full, 89, 6963},
};

bool glyph_blank(const label_font &font, int glyph) {
    for (int r = 0; r < font.height; r++) {
        if (label_font_row(font, glyph, r)) return false;
    }
    return true;
}

}  // namespace

TEST(LabelFont, RangeTablesAscendAndNumberGlyphsWithoutGaps) {
    for (const font_case &f : FONTS) {
        SCOPED_TRACE(f.name);
        int entries = 0, next = 0;
        unsigned previous_last = 0;
        for (const label_font_range *r = f.font.ranges; r->first != 0xFFFF; r++, entries++) {
            EXPECT_LE(r->first, r->last);
            if (entries > 0) {
                EXPECT_GT(r->first, previous_last);
            }
            EXPECT_EQ(r->base, next);
            next += r->last - r->first + 1;
            previous_last = r->last;
        }
        EXPECT_EQ(entries, f.entries);
        EXPECT_EQ(next, f.glyphs);
        EXPECT_EQ(f.font.glyph_count, f.glyphs);
    }
}

TEST(LabelFont, CodesMapToGlyphIndices) {
    struct {
        const label_font &font;
        unsigned code;
        int glyph;
    } cases[] = {
        {label_font_full, 0x2121, 0},     // ideographic space, first glyph
        {label_font_full, 0x2D21, 525},   // circled one, first of the NEC row 13
        {label_font_full, 0x3021, 608},   // first kanji
        {label_font_full, 0x7426, 6962},  // last glyph
        {label_font_full, 0x7427, -1},   {label_font_full, 0x222F, -1},  // gap in row 2
        {label_font_full, 0x2D3F, -1},                                   // gap in row 13
        {label_font_full, 0x4F54, -1},  // row 0x4F ends at cell 0x53
        {label_font_half, 0x41, 0x41},   {label_font_half, 0xB1, 128 + 0x11},
        {label_font_half, 0x80, -1},     {label_font_half, 0xE0, -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(label_font_glyph_index(c.font, c.code), c.glyph) << std::hex << c.code;
    }
}

// Catches a generator that shifted, clipped or dropped glyphs: only the width's
// bits may be set, row 0 is the blank row lines share, and every printable
// code has a picture.
TEST(LabelFont, GlyphsStayInTheirCellAndPrintableCodesAreDrawn) {
    for (const font_case &f : FONTS) {
        SCOPED_TRACE(f.name);
        uint16_t inside = 0;
        for (int c = 0; c < f.font.width; c++) inside |= f.font.first_pixel_mask >> c;
        for (int g = 0; g < f.font.glyph_count; g++) {
            EXPECT_EQ(label_font_row(f.font, g, 0), 0) << "glyph " << g;
            for (int r = 0; r < f.font.height; r++) {
                ASSERT_EQ(label_font_row(f.font, g, r) & ~inside, 0) << "glyph " << g;
            }
        }
    }
    EXPECT_TRUE(glyph_blank(label_font_full, 0));  // ideographic space
    for (int g = 1; g < label_font_full.glyph_count; g++) {
        ASSERT_FALSE(glyph_blank(label_font_full, g)) << "full-width glyph " << g;
    }
    for (unsigned code = 0x21; code <= 0xDF; code++) {
        if (code >= 0x7F && code <= 0xA0) continue;
        int g = label_font_glyph_index(label_font_half, code);
        EXPECT_FALSE(glyph_blank(label_font_half, g)) << std::hex << code;
    }
    EXPECT_TRUE(glyph_blank(label_font_half, label_font_glyph_index(label_font_half, ' ')));
}
