#include "device/framebuffer_stream.h"

#include <cstdint>

#include "device/wire_protocol.h"

namespace {

bool read_exact(const fb_link *link, void *buffer, size_t n) {
    return link->read(link->user, buffer, n) == static_cast<long>(n);
}

bool send(const fb_link *link, const uint8_t *bytes, size_t n, log_sink *l) {
    if (link->write(link->user, bytes, n) == static_cast<long>(n)) return true;
    log_line(l, "serial port write error");
    return false;
}

}  // namespace

int fb_read_frame(framebuffer *fb, const fb_link *link, log_sink *l) {
    gauge_set_range(l, FRAMEBUFFER_HEIGHT);
    const uint8_t request[2] = {VMK_CMD_FRAME, FB_REQUEST_FRAME};
    if (!send(link, request, sizeof request, l)) return 0;

    uint8_t payload[FB_PALETTE_RECORD_SIZE];
    // A record holds at most 515 words; fb_parse_line refuses more than 411.
    uint16_t words[FB_PALETTE_RECORD_SIZE / 2];
    bool palette_taken = false;
    int line_records = 0;
    while (line_records < FRAMEBUFFER_HEIGHT) {
        uint8_t marker;
        if (!read_exact(link, &marker, 1)) {
            log_line(l, "timeout%");
            return 0;
        }
        if (marker == FB_MARKER_END) {
            log_printf(l, "line count %d\n", line_records);
            return 1;
        }
        if (marker != FB_MARKER_RECORD) {
            log_printf(l, "%d bad reply%%\n", 208);
            return 0;
        }
        uint8_t size[2];
        if (!read_exact(link, size, 2)) {
            log_line(l, "timeout length");
            return 0;
        }
        size_t length = size[0] | (size[1] << 8);
        if (length > FB_PALETTE_RECORD_SIZE) {
            log_line(l, "line data is too large");
            return 0;
        }
        if (!read_exact(link, payload, length)) {
            log_line(l, "timeout length");
            return 0;
        }
        if (length == FB_PALETTE_RECORD_SIZE && !palette_taken) {
            palette_taken = true;
            fb_set_palette(fb, payload, length);
            continue;
        }
        int count = static_cast<int>(length / 2);
        for (int i = 0; i < count; i++)
            words[i] = static_cast<uint16_t>(payload[2 * i] | (payload[2 * i + 1] << 8));
        if (!fb_parse_line(fb, words, count, l)) return 0;
        line_records++;
        if (line_records % FB_FLOW_INTERVAL == 0) {
            const uint8_t flow = FB_FLOW_CONTROL;
            if (!send(link, &flow, 1, l)) return 0;
        }
        gauge_step(l, 1);
    }
    return 1;
}
