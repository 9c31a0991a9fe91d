// The frame store: one captured video frame as the console's colour encoder
// puts it out, decoded from the board's line records, with the search for the
// picture rectangle and the PNG pair written from it.
//
// Ownership: fb_create allocates, fb_destroy frees. The main device page keeps
// one store for its lifetime; the command line makes one per capture.
// Threading: a capture (and every render call) runs on the thread of the
// command; one capture at a time may touch a store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/log.h"

enum {
    FRAMEBUFFER_WIDTH = 681,         // stored pixels per line
    FRAMEBUFFER_HEIGHT = 263,        // stored lines per frame
    FRAMEBUFFER_PALLETENUM = 0x200,  // colour numbers; a stored pixel is below it
    FB_LINE_CLOCK = 1365,            // master clocks per scan line
    FB_EMPTY_PIXEL = 0x100,          // a pixel without picture (also colour number 256)
    FB_COLOUR_TABLE_LINES = 2,       // lines 0 and 1 carry the colour table
    FB_LINE_WORDS_MAX = 411,         // words of the longest line record
    FB_LINE_WORDS_MIN = 2,           // header word and the trailing word
    FB_PALETTE_RECORD_SIZE = 1030,   // also the largest record the board sends
};

// One palette or line-palette entry: R, G, B and a fourth byte (Y in
// `palette`, A in `line_palettes`).
using fb_entry = uint8_t[4];

struct fb_line {
    int32_t div;              // pixel clock divider 2..4; 0 for a line not received
    int32_t palette_select;   // 0 colour, 1 grey
    int32_t lines_per_frame;  // 262 or 263
    int32_t span_width;       // picture run found by fb_find_active_area, 0 if none
    int32_t span_start;
    const fb_entry *palette_table;  // line_palettes[palette_select]
};

struct fb_rect {
    int32_t x, y, width, height;
};

// Called once per decoded line before line_count advances. count is the number
// of pixels worth drawing: 677, 452 or 338 for dividers 2, 3, 4, and -3
// (nothing) for the colour table lines. The return value is ignored.
using fb_render_fn = int (*)(void *context, int y, const uint16_t *line, const fb_entry *palette,
                             int count);

struct framebuffer {
    void *context;
    fb_render_fn render;                                     // may be null
    int32_t line_count;                                      // lines decoded in the current capture
    uint16_t pixels[FRAMEBUFFER_HEIGHT][FRAMEBUFFER_WIDTH];  // 9-bit colour numbers
    // Video levels of every colour index (green bits 8-6, red 5-3, blue 2-0).
    fb_entry palette[FRAMEBUFFER_PALLETENUM];
    // Indexed by colour number: table 0 in colour, table 1 in grey.
    fb_entry line_palettes[2][FRAMEBUFFER_PALLETENUM];
    fb_line lines[FRAMEBUFFER_HEIGHT];
    fb_rect whole;
    fb_rect active;
    int32_t multirect;  // the picture is not one rectangle
};

// Zeroed store with the default palette. Never fails short of memory
// exhaustion.
framebuffer *fb_create(void *context, fb_render_fn render);
void fb_destroy(framebuffer *fb);
// Starts a capture: line_count, multirect and every line record cleared. The
// palettes, pixels, whole and active keep their contents.
void fb_reset(framebuffer *fb);

// The default video level of colour index i (R, G, B, Y).
void fb_default_palette_entry(int index, fb_entry out);

// A 1030-byte record "PbPrY" 0xA9 followed by 512 little-endian YPbPr words
// replaces the palette; any other record changes nothing.
void fb_set_palette(framebuffer *fb, const uint8_t *record, size_t length);

// Pixels decoded from a line record of `stream_words` stream words (the words
// between the header word and the trailing word): decoding stops once the last
// stream word has been consumed, so 409 stream words give 681 pixels.
constexpr int fb_stream_pixels(int stream_words) {
    return stream_words <= 0 ? 0 : (3 + 15 * (stream_words - 1)) / 9 + 1;
}
static_assert(fb_stream_pixels(FB_LINE_WORDS_MAX - 2) == FRAMEBUFFER_WIDTH,
              "the longest line record fills a stored line exactly");

// Decodes one line record into line line_count, calls render and advances
// line_count. 1 on success; 0 with a message when the record is malformed or
// the frame is full, in which case the store is left as it was.
int fb_parse_line(framebuffer *fb, const uint16_t *words, int count, log_sink *l);

// Fills whole, active and multirect from the lines received and logs the
// result. 1 when the frame holds picture; 0 with a message when every picture
// line is empty (active then keeps its previous value).
int fb_find_active_area(framebuffer *fb, log_sink *l);

// Writes the picture to path as RGBA and, for names ending in ".png" or ".PNG"
// of at most 124 characters, its sprite plane beside it as "<name>_obj.png".
// Call after fb_find_active_area found picture. 1 when every file was written.
int fb_save_png(framebuffer *fb, const char *path, log_sink *l);
