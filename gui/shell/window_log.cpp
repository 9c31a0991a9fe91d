#include "gui/shell/window_log.h"

#include <algorithm>

#include <wx/textctrl.h>
#include <wx/timer.h>

window_log_view::window_log_view(wxTextCtrl *control)
    : control_(control), partial_timer_(new wxTimer),
      mailbox_(std::make_shared<window_mailbox>(control)) {
    partial_timer_->Bind(wxEVT_TIMER, [this](wxTimerEvent &) { flush(true); });
}

// Normally deleted in cut(), on the window thread.
window_log_view::~window_log_view() { delete partial_timer_; }

void window_log_view::queue_flush_locked() {
    if (flush_queued_) return;
    // The queued flush keeps the view alive even when the worker that queued
    // it ends first.
    flush_queued_ = mailbox_->call_after([keep = shared_from_this()] { keep->flush(); });
}

// Moves what the writer may show now from its pending text to text: its whole
// lines, or everything when its line was ended or the wait is over. Returns
// whether the text shown so far ends inside the writer's line.
static bool take_shown(std::string &pending, bool all, std::string *text) {
    size_t end = all ? pending.size() : pending.rfind('\n');
    if (end == std::string::npos) return false;
    end = std::min(end + 1, pending.size());
    text->append(pending, 0, end);
    pending.erase(0, end);
    return !text->empty() && text->back() != '\n';
}

void window_log_view::flush(bool partial) {
    std::string text;
    bool partial_left = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        flush_queued_ = false;
        // The open line's writer first: nothing else may enter its line.
        if (open_line_ != nullptr) {
            window_log *w = open_line_;
            // Its command ended: its line ends too, even with nothing more to say.
            if (w->line_ended_ && (w->pending_.empty() || w->pending_.back() != '\n')) w->pending_ += '\n';
            if (!take_shown(w->pending_, partial || w->line_ended_, &text) && !text.empty())
                open_line_ = nullptr;
            w->line_ended_ = false;
        }
        for (window_log *w : writers_) {
            if (open_line_ != nullptr) break;
            // A command that ended closes its last line, so the next text
            // starts a line of its own.
            if (w->line_ended_ && !w->pending_.empty() && w->pending_.back() != '\n') w->pending_ += '\n';
            w->line_ended_ = false;
            std::string lines;
            take_shown(w->pending_, false, &lines);
            text += lines;
            if (partial && !w->pending_.empty()) {
                text += w->pending_;
                w->pending_.clear();
                open_line_ = w;
            }
        }
        for (window_log *w : writers_) partial_left = partial_left || !w->pending_.empty();
    }
    if (control_ != nullptr && !text.empty()) control_->AppendText(wxString::FromUTF8(text));
    if (partial_left && partial_timer_ != nullptr && !partial_timer_->IsRunning())
        partial_timer_->StartOnce(PARTIAL_LINE_MS);
}

void window_log_view::clear() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (window_log *writer : writers_) writer->pending_.clear();
        open_line_ = nullptr;
    }
    if (control_ != nullptr) control_->Clear();
}

void window_log_view::append(const char *text) {
    flush();
    {
        // A page's message starts a line of its own: an open line ends here
        // and its writer goes on in the next one.
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_line_ != nullptr && control_ != nullptr) control_->AppendText("\n");
        open_line_ = nullptr;
    }
    if (control_ != nullptr) control_->AppendText(wxString::FromUTF8(text));
}

void window_log_view::cut() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cut_ = true;
        for (window_log *writer : writers_) writer->pending_.clear();
    }
    mailbox_->cut();
    delete partial_timer_;
    partial_timer_ = nullptr;
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
        if (view_->open_line_ == this) view_->open_line_ = nullptr;
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
    if ((pending_.empty() && view_->open_line_ != this) || view_->cut_) return;
    line_ended_ = true;
    view_->queue_flush_locked();
}
