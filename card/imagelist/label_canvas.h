// The drawing canvas of one image-list page: one byte per pixel, the low four
// bits being the four bit planes of the console's characters.
#pragma once

#include <cstdint>

#include "card/imagelist/label_text.h"
#include "core/log.h"

enum {
    LABEL_CANVAS_ROWS = 209,
    LABEL_CANVAS_WIDTH = 320,
    LABEL_LINE_PITCH = 12,  // glyph height less one: consecutive lines share a row
    LABEL_LAST_X = 303,     // no character starts further right
};

struct label_canvas {
    uint8_t pixels[LABEL_CANVAS_ROWS][LABEL_CANVAS_WIDTH];
};

void label_canvas_clear(label_canvas *canvas);

// Draws a converted (EUC-JP) text from x = 0 with its top at canvas row y,
// ORing plane_bit into the pixels. Stops at the first character that would
// start beyond LABEL_LAST_X. Characters without a glyph are reported and take
// no room; control bytes are skipped without a report.
void label_draw_text(label_canvas *canvas, const char *euc, int y, uint8_t plane_bit,
                     const label_converters &c, log_sink *log);
