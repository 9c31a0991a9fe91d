#include "gui/shell/window_gauge.h"

#include <algorithm>
#include <climits>

#include <wx/gauge.h>

window_gauge::window_gauge(wxGauge *bar)
    : bar_(bar), mailbox_(std::make_shared<window_mailbox>(bar)) {
    record_ = gauge_create(this, set_range, step);
}

window_gauge::~window_gauge() { gauge_destroy(record_); }

void window_gauge::set_range(void *user, int64_t total) {
    auto *self = static_cast<window_gauge *>(user);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->range_ = total;
    self->value_ = 0;
    self->queue_refresh();
}

void window_gauge::step(void *user, int64_t units) {
    auto *self = static_cast<window_gauge *>(user);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->value_ += units;
    self->queue_refresh();
}

void window_gauge::queue_refresh() {
    if (refresh_queued_) return;
    refresh_queued_ = mailbox_->call_after([keep = shared_from_this()] { keep->refresh(); });
}

void window_gauge::refresh() {
    int64_t range, value;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        range = range_;
        value = value_;
        refresh_queued_ = false;
    }
    if (bar_ == nullptr) return;
    // The bar holds an int; larger runs are scaled to fit.
    int64_t scale = std::max<int64_t>(1, range / INT_MAX + 1);
    int r = static_cast<int>(std::max<int64_t>(1, range / scale));
    int v = static_cast<int>(std::clamp<int64_t>(value / scale, 0, r));
    if (bar_->GetRange() != r) bar_->SetRange(r);
    bar_->SetValue(v);
}

void window_gauge::cut() {
    mailbox_->cut();
    bar_ = nullptr;
}
