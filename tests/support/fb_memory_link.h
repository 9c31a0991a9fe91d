// A frame read link over a byte buffer: the board's stream as given, every
// byte the host sends collected. Reads past the end fail like a silent board.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "device/framebuffer_stream.h"

struct fb_memory_link {
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    std::vector<uint8_t> sent;

    fb_link link() { return fb_link{this, read, write}; }

    static long read(void *user, void *buffer, size_t n) {
        auto *m = static_cast<fb_memory_link *>(user);
        size_t got = n < m->size - m->at ? n : m->size - m->at;
        if (got > 0) memcpy(buffer, m->data + m->at, got);
        m->at += got;
        return got == n ? static_cast<long>(n) : -1;
    }

    static long write(void *user, const void *data, size_t n) {
        auto *m = static_cast<fb_memory_link *>(user);
        const uint8_t *p = static_cast<const uint8_t *>(data);
        m->sent.insert(m->sent.end(), p, p + n);
        return static_cast<long>(n);
    }
};
