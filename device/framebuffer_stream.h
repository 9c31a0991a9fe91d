// The frame read exchange: 'F' 0x02 asks the board for one frame, which
// arrives as '%' records (an optional palette record, then line records) and
// ends after 263 lines or with '@'. The host answers every 8th line record with
// 'B' so that the board does not overrun the serial port.
#pragma once

#include <cstddef>

#include "core/log.h"
#include "device/framebuffer.h"

// The byte link the exchange runs over: the serial port in the program, a
// buffer in the fuzz target and in tests.
struct fb_link {
    void *user;
    // Reads exactly n bytes: n, or anything else when they did not all arrive
    // within the link's idle limit.
    long (*read)(void *user, void *buffer, size_t n);
    // Writes n bytes: n when all were written.
    long (*write)(void *user, const void *data, size_t n);
};

enum {
    FB_REQUEST_FRAME = 0x02,  // second byte after 'F'
    FB_MARKER_RECORD = 0x25,  // '%'
    FB_MARKER_END = 0x40,     // '@'
    FB_FLOW_CONTROL = 0x42,   // 'B'
    FB_FLOW_INTERVAL = 8,     // line records per 'B'
};

// Runs the exchange into fb (which the caller has reset), setting the gauge to
// 263 and stepping it once per line. 1 when the frame ended by count or by
// '@'; 0 after a message when the link failed or the stream was malformed.
int fb_read_frame(framebuffer *fb, const fb_link *link, log_sink *l);
