#include "gui/shell/window_gauge.h"

#include <algorithm>
#include <climits>

#include <wx/gauge.h>

window_gauge::window_gauge(wxGauge *bar)
    : m_bar(bar), m_mailbox(std::make_shared<window_mailbox>(bar)) {
    m_record = gauge_create(this, set_range, step);
}

window_gauge::~window_gauge() { gauge_destroy(m_record); }

void window_gauge::set_range(void *user, int64_t total) {
    auto *self = static_cast<window_gauge *>(user);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->range_ = total;
    self->value_ = 0;
    self->queue_refresh();
}

void window_gauge::step(void *user, int64_t units) {
    auto *self = static_cast<window_gauge *>(user);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->value_ += units;
    self->queue_refresh();
}

void window_gauge::queue_refresh() {
    if (m_refresh_queued) return;
    m_refresh_queued = m_mailbox->call_after([keep = shared_from_this()] { keep->refresh(); });
}

void window_gauge::refresh() {
    int64_t range, value;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        range = range_;
        value = value_;
        m_refresh_queued = false;
    }
    if (m_bar == nullptr) return;
    // The bar holds an int; larger runs are scaled to fit.
    int64_t scale = std::max<int64_t>(1, range / INT_MAX + 1);
    int r = static_cast<int>(std::max<int64_t>(1, range / scale));
    int v = static_cast<int>(std::clamp<int64_t>(value / scale, 0, r));
    if (m_bar->GetRange() != r) m_bar->SetRange(r);
    m_bar->SetValue(v);
}

void window_gauge::cut() {
    m_mailbox->cut();
    m_bar = nullptr;
}
