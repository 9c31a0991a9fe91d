#include "app/window_log.h"

#include <algorithm>

#include <wx/textctrl.h>

window_log_view::window_log_view(wxTextCtrl *control)
    : control_(control), mailbox_(std::make_shared<window_mailbox>(control)) {}

void window_log_view::queue_flush_locked() {
    if (flush_queued_) return;
    // The queued flush keeps the view alive even when the worker that queued
    // it ends first.
    flush_queued_ = mailbox_->call_after([keep = shared_from_this()] { keep->flush(); });
}

void window_log_view::flush() {
    std::string text;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        flush_queued_ = false;
        for (window_log *writer : writers_) {
            std::string &pending = writer->pending_;
            size_t end = writer->line_ended_ ? pending.size() : pending.rfind('\n');
            writer->line_ended_ = false;
            if (end == std::string::npos) continue;
            end = std::min(end + 1, pending.size());
            text.append(pending, 0, end);
            pending.erase(0, end);
        }
    }
    if (control_ != nullptr && !text.empty()) control_->AppendText(wxString::FromUTF8(text));
}

void window_log_view::clear() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (window_log *writer : writers_) writer->pending_.clear();
    }
    if (control_ != nullptr) control_->Clear();
}

void window_log_view::append(const char *text) {
    flush();
    if (control_ != nullptr) control_->AppendText(wxString::FromUTF8(text));
}

void window_log_view::cut() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cut_ = true;
        for (window_log *writer : writers_) writer->pending_.clear();
    }
    mailbox_->cut();
    control_ = nullptr;
}

window_log::window_log(wxTextCtrl *control) : window_log(std::make_shared<window_log_view>(control)) {}

window_log::window_log(window_log_view_ptr view) : view_(std::move(view)) {
    sink_ = log_create(this, write);
    log_attach_stop(sink_, &stop_);
    std::lock_guard<std::mutex> lock(view_->mutex_);
    view_->writers_.push_back(this);
}

window_log::~window_log() {
    {
        std::lock_guard<std::mutex> lock(view_->mutex_);
        auto &writers = view_->writers_;
        writers.erase(std::remove(writers.begin(), writers.end(), this), writers.end());
    }
    log_destroy(sink_);
}

void window_log::write(void *user, const char *text) {
    auto *self = static_cast<window_log *>(user);
    std::lock_guard<std::mutex> lock(self->view_->mutex_);
    if (self->view_->cut_) return;
    self->pending_ += text;
    self->view_->queue_flush_locked();
}

void window_log::end_line() {
    std::lock_guard<std::mutex> lock(view_->mutex_);
    if (pending_.empty() || view_->cut_) return;
    line_ended_ = true;
    view_->queue_flush_locked();
}
