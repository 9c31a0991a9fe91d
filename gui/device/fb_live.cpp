#include "gui/device/fb_live.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t PIXELS = static_cast<size_t>(FRAMEBUFFER_WIDTH) * FRAMEBUFFER_HEIGHT;

}  // namespace

fb_live::fb_live()
    : m_store(fb_create(this, render_update)), m_rgb(3 * PIXELS, 0), m_alpha(PIXELS, 127) {}

fb_live::~fb_live() { fb_destroy(m_store); }

void fb_live::attach(wxEvtHandler *target, std::function<void()> repaint) {
    m_mailbox = std::make_shared<window_mailbox>(target);
    m_repaint = std::move(repaint);
}

void fb_live::detach() {
    if (m_mailbox) m_mailbox->cut();
}

void fb_live::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(m_rgb.begin(), m_rgb.end(), 0);
    std::fill(m_alpha.begin(), m_alpha.end(), 127);
    m_dirty_first = FRAMEBUFFER_HEIGHT;
    m_dirty_last = -1;
}

bool fb_live::copy_to(wxImage *image) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_repaint_queued = false;
    if (m_dirty_last < m_dirty_first) return false;
    if (image->GetWidth() != FRAMEBUFFER_WIDTH || image->GetHeight() != FRAMEBUFFER_HEIGHT ||
        !image->HasAlpha())
        return false;
    size_t first = static_cast<size_t>(m_dirty_first) * FRAMEBUFFER_WIDTH;
    size_t count = static_cast<size_t>(m_dirty_last - m_dirty_first + 1) * FRAMEBUFFER_WIDTH;
    std::memcpy(image->GetData() + 3 * first, m_rgb.data() + 3 * first, 3 * count);
    std::memcpy(image->GetAlpha() + first, m_alpha.data() + first, count);
    m_dirty_first = FRAMEBUFFER_HEIGHT;
    m_dirty_last = -1;
    return true;
}

int fb_live::render_update(void *context, int y, const uint16_t *line, const fb_entry *palette,
                           int count) {
    auto *self = static_cast<fb_live *>(context);
    // The frame store never breaks these; a line that does is not drawn.
    if (y < 0 || y >= FRAMEBUFFER_HEIGHT || count >= FRAMEBUFFER_WIDTH) return 0;
    for (int x = 0; x < count; x++)
        if (line[x] >= FRAMEBUFFER_PALLETENUM) return 0;
    std::lock_guard<std::mutex> lock(self->m_mutex);
    size_t row = static_cast<size_t>(y) * FRAMEBUFFER_WIDTH;
    for (int x = 0; x < count; x++) {
        const fb_entry &colour = palette[line[x]];
        std::memcpy(&self->m_rgb[3 * (row + x)], colour, 3);
        if (line[x] != FB_EMPTY_PIXEL) self->m_alpha[row + x] = 255;
    }
    if (count <= 0) return 0;
    self->m_dirty_first = std::min(self->m_dirty_first, y);
    self->m_dirty_last = std::max(self->m_dirty_last, y);
    if (!self->m_repaint_queued && self->m_mailbox)
        self->m_repaint_queued = self->m_mailbox->call_after(self->m_repaint);
    return 0;
}
