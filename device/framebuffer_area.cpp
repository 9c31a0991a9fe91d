#include "device/framebuffer.h"

namespace {

// The run of picture pixels of a received picture line; pixel 0 never counts.
void find_span(framebuffer *fb, int y) {
    fb_line &line = fb->lines[y];
    line.span_start = 0;
    line.span_width = 0;
    if (y >= fb->line_count) return;  // lines after an early end are empty
    const uint16_t *px = fb->pixels[y];
    int end = FB_LINE_CLOCK / line.div - 3;
    int x = 1;
    while (x < end && px[x] == FB_EMPTY_PIXEL) x++;
    if (x >= end) return;
    int start = x;
    while (x < end && px[x] != FB_EMPTY_PIXEL) x++;
    line.span_start = start;
    line.span_width = x - start;
}

}  // namespace

int fb_find_active_area(framebuffer *fb, log_sink *l) {
    // Line 0 names the frame height; without it there is no frame at all.
    const int n = fb->line_count > 0 ? fb->lines[0].lines_per_frame : 0;
    fb->whole = fb_rect{0, FB_COLOUR_TABLE_LINES, FRAMEBUFFER_WIDTH, n > 2 ? n - 2 : 0};
    fb->multirect = 0;

    int top = -1, run_end = -1;
    for (int y = FB_COLOUR_TABLE_LINES; y < n; y++) {
        if (y < fb->line_count && fb->lines[y].div != fb->lines[0].div) fb->multirect = 1;
        find_span(fb, y);
        const fb_line &line = fb->lines[y];
        bool empty = line.span_width == 0;
        if (top < 0) {
            if (!empty) top = y;
        } else if (run_end < 0) {
            if (empty)
                run_end = y;
            else if (line.span_start != fb->lines[top].span_start ||
                     line.span_width != fb->lines[top].span_width)
                fb->multirect = 1;
        }
    }
    if (top < 0) {
        log_line(l, "no picture in this frame");
        return 0;
    }
    if (run_end < 0) run_end = n;
    const fb_line &first = fb->lines[top];
    fb->active = fb_rect{first.span_start, top, first.span_width, run_end - top};
    if (fb->multirect) {
        log_line(l, "multirect");
    } else {
        const fb_rect &a = fb->active;
        log_printf(l, "active area: x:%d-%d, y:%d-%d, %dx%d pixel\n", a.x, a.x + a.width - 1, a.y,
                   a.y + a.height - 1, a.width, a.height);
    }
    return 1;
}
