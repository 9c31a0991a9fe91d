#include "device/framebuffer.h"

#include <cstring>

namespace {

// The VCE's colour index: green bits 8-6, red 5-3, blue 2-0.
int index_green(int i) { return (i >> 6) & 7; }
int index_red(int i) { return (i >> 3) & 7; }
int index_blue(int i) { return i & 7; }

// Colour words in the colour table lines carry red and green the other way
// round from the palette index.
int colour_word_to_index(int h) { return (h & 7) | (((h >> 3) & 7) << 6) | (((h >> 6) & 7) << 3); }

uint8_t level_from_double(double v) {
    if (v < 0) return 0;
    if (v >= 256) return 255;
    return static_cast<uint8_t>(v);
}

// Turns the colour words of line y (pixels 1..decoded-1) into line palette
// entries; entries whose word did not arrive keep what they had.
void take_colour_table(framebuffer *fb, int y, int decoded) {
    const uint16_t *line = fb->pixels[y];
    for (int k = 0; k < 256 && k + 1 < decoded; k++) {
        int number = 256 * y + k;
        const uint8_t *level = fb->palette[colour_word_to_index(line[k + 1])];
        uint8_t alpha = number == FB_EMPTY_PIXEL ? 127 : 255;
        uint8_t *colour = fb->line_palettes[0][number];
        uint8_t *grey = fb->line_palettes[1][number];
        colour[0] = level[0];
        colour[1] = level[1];
        colour[2] = level[2];
        colour[3] = alpha;
        grey[0] = grey[1] = grey[2] = level[3];
        grey[3] = alpha;
    }
}

}  // namespace

void fb_default_palette_entry(int i, fb_entry out) {
    int g = index_green(i), r = index_red(i), b = index_blue(i);
    out[0] = static_cast<uint8_t>(r * 255 / 7);
    out[1] = static_cast<uint8_t>(g * 255 / 7);
    out[2] = static_cast<uint8_t>(b * 255 / 7);
    out[3] = static_cast<uint8_t>((0.299 * r + 0.587 * g + 0.114 * b) * 255 / 7);
}

framebuffer *fb_create(void *context, fb_render_fn render) {
    auto *fb = new framebuffer();  // value-initialised: all zero
    fb->context = context;
    fb->render = render;
    for (int i = 0; i < FRAMEBUFFER_PALLETENUM; i++) fb_default_palette_entry(i, fb->palette[i]);
    return fb;
}

void fb_destroy(framebuffer *fb) { delete fb; }

void fb_reset(framebuffer *fb) {
    fb->line_count = 0;
    fb->multirect = 0;
    memset(fb->lines, 0, sizeof fb->lines);
}

void fb_set_palette(framebuffer *fb, const uint8_t *record, size_t length) {
    static const uint8_t signature[6] = {'P', 'b', 'P', 'r', 'Y', 0xA9};
    if (length != FB_PALETTE_RECORD_SIZE || memcmp(record, signature, sizeof signature) != 0)
        return;
    for (int k = 0; k < FRAMEBUFFER_PALLETENUM; k++) {
        unsigned d = record[6 + 2 * k] | (record[7 + 2 * k] << 8);
        int y5 = d & 0x1F, pr5 = (d >> 5) & 0x1F, pb5 = (d >> 10) & 0x1F;
        double y = 8.0 * y5, pr = 8.0 * (pr5 - 16), pb = 8.0 * (pb5 - 16);
        uint8_t *e = fb->palette[k];
        e[0] = level_from_double(y + 1.402 * pr);
        e[1] = level_from_double(y - 0.344 * pb - 0.714 * pr);
        e[2] = level_from_double(y + 1.772 * pb);
        e[3] = static_cast<uint8_t>(8 * y5);
    }
}

int fb_parse_line(framebuffer *fb, const uint16_t *words, int count, log_sink *l) {
    if (fb->line_count >= FRAMEBUFFER_HEIGHT) {
        log_printf(l, "line %d: a frame holds only %d lines\n", fb->line_count, FRAMEBUFFER_HEIGHT);
        return 0;
    }
    if (count < FB_LINE_WORDS_MIN || count > FB_LINE_WORDS_MAX) {
        log_printf(l, "line %d: record of %d words, expected %d to %d\n", fb->line_count, count,
                   FB_LINE_WORDS_MIN, FB_LINE_WORDS_MAX);
        return 0;
    }
    int header = words[0];
    int div = ((header >> 12) & 3) + 1;
    if (div == 1) {
        log_printf(l, "line %d: pixel clock divider 1 is not supported\n", fb->line_count);
        return 0;
    }

    const int y = fb->line_count;
    uint16_t *line = fb->pixels[y];
    // Pixels the stream does not reach are empty, never left from an earlier
    // capture.
    for (int x = 0; x < FRAMEBUFFER_WIDTH; x++) line[x] = FB_EMPTY_PIXEL;

    // MSB-first bit string: bits 2-0 of the header word, then bits 14-0 of each
    // stream word. Every pixel needs at most 9 of the at least 15 bits held
    // after a load, so a 32-bit accumulator never overflows.
    const int decoded = fb_stream_pixels(count - 2);
    uint32_t bits = header & 7;
    int held = 3;
    int next = 1;
    for (int p = 0; p < decoded; p++) {
        if (held < 9) {
            bits = (bits << 15) | (words[next++] & 0x7FFFu);
            held += 15;
        }
        held -= 9;
        line[p] = static_cast<uint16_t>((bits >> held) & 0x1FF);
        bits &= (1u << held) - 1;
    }

    fb_line &rec = fb->lines[y];
    rec.palette_select = (header >> 15) & 1;
    rec.lines_per_frame = (header & 0x4000) ? 263 : 262;
    rec.div = div;
    rec.span_width = 0;
    rec.span_start = 0;
    rec.palette_table = fb->line_palettes[rec.palette_select];

    int draw;
    if (y < FB_COLOUR_TABLE_LINES) {
        take_colour_table(fb, y, decoded);
        for (int x = 0; x < FRAMEBUFFER_WIDTH; x++) line[x] = FB_EMPTY_PIXEL;
        draw = -3;
    } else {
        int end = FB_LINE_CLOCK / div < 680 ? FB_LINE_CLOCK / div : 680;
        for (int x = end; x < FRAMEBUFFER_WIDTH; x++) line[x] = FB_EMPTY_PIXEL;
        draw = end - 3;
    }
    if (fb->render) fb->render(fb->context, y, line, rec.palette_table, draw);
    fb->line_count++;
    return 1;
}
