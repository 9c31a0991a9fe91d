#include "app/window_log.h"

#include <wx/textctrl.h>

window_log::window_log(wxTextCtrl *control)
    : control_(control), mailbox_(std::make_shared<window_mailbox>(control)) {
    sink_ = log_create(this, write);
    log_attach_stop(sink_, &stop_);
}

window_log::~window_log() { log_destroy(sink_); }

void window_log::write(void *user, const char *text) {
    auto *self = static_cast<window_log *>(user);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->pending_ += text;
    if (self->flush_queued_) return;
    // The queued flush keeps the log alive even when the worker that queued it
    // ends first.
    self->flush_queued_ =
        self->mailbox_->call_after([keep = self->shared_from_this()] { keep->flush(); });
}

void window_log::flush() {
    std::string text;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        text.swap(pending_);
        flush_queued_ = false;
    }
    if (control_ != nullptr && !text.empty()) control_->AppendText(wxString::FromUTF8(text));
}

void window_log::append(const char *text) {
    flush();
    if (control_ != nullptr) control_->AppendText(wxString::FromUTF8(text));
}

void window_log::cut() {
    mailbox_->cut();
    control_ = nullptr;
}
