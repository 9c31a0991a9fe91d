#include "gui/shell/window_log.h"

#include <algorithm>

#include <wx/textctrl.h>
#include <wx/timer.h>

window_log_view::window_log_view(wxTextCtrl *control)
    : m_control(control), m_partial_timer(new wxTimer),
      m_mailbox(std::make_shared<window_mailbox>(control)) {
    m_partial_timer->Bind(wxEVT_TIMER, [this](wxTimerEvent &) { flush(true); });
}

// Normally deleted in cut(), on the window thread.
window_log_view::~window_log_view() { delete m_partial_timer; }

void window_log_view::queue_flush_locked() {
    if (m_flush_queued) return;
    // The queued flush keeps the view alive even when the worker that queued
    // it ends first.
    m_flush_queued = m_mailbox->call_after([keep = shared_from_this()] { keep->flush(); });
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
        std::lock_guard<std::mutex> lock(m_mutex);
        m_flush_queued = false;
        // The open line's writer first: nothing else may enter its line.
        if (m_open_line != nullptr) {
            window_log *w = m_open_line;
            // Its command ended: its line ends too, even with nothing more to say.
            if (w->m_line_ended && (w->m_pending.empty() || w->m_pending.back() != '\n')) w->m_pending += '\n';
            if (!take_shown(w->m_pending, partial || w->m_line_ended, &text) && !text.empty())
                m_open_line = nullptr;
            w->m_line_ended = false;
        }
        for (window_log *w : m_writers) {
            if (m_open_line != nullptr) break;
            // A command that ended closes its last line, so the next text
            // starts a line of its own.
            if (w->m_line_ended && !w->m_pending.empty() && w->m_pending.back() != '\n') w->m_pending += '\n';
            w->m_line_ended = false;
            std::string lines;
            take_shown(w->m_pending, false, &lines);
            text += lines;
            if (partial && !w->m_pending.empty()) {
                text += w->m_pending;
                w->m_pending.clear();
                m_open_line = w;
            }
        }
        for (window_log *w : m_writers) partial_left = partial_left || !w->m_pending.empty();
    }
    if (m_control != nullptr && !text.empty()) m_control->AppendText(wxString::FromUTF8(text));
    if (partial_left && m_partial_timer != nullptr && !m_partial_timer->IsRunning())
        m_partial_timer->StartOnce(PARTIAL_LINE_MS);
}

void window_log_view::clear() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (window_log *writer : m_writers) writer->m_pending.clear();
        m_open_line = nullptr;
    }
    if (m_control != nullptr) m_control->Clear();
}

void window_log_view::append(const char *text) {
    flush();
    {
        // A page's message starts a line of its own: an open line ends here
        // and its writer goes on in the next one.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_open_line != nullptr && m_control != nullptr) m_control->AppendText("\n");
        m_open_line = nullptr;
    }
    if (m_control != nullptr) m_control->AppendText(wxString::FromUTF8(text));
}

void window_log_view::cut() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cut = true;
        for (window_log *writer : m_writers) writer->m_pending.clear();
    }
    m_mailbox->cut();
    delete m_partial_timer;
    m_partial_timer = nullptr;
    m_control = nullptr;
}

window_log::window_log(wxTextCtrl *control) : window_log(std::make_shared<window_log_view>(control)) {}

window_log::window_log(window_log_view_ptr view) : m_view(std::move(view)) {
    m_sink = log_create(this, write);
    log_attach_stop(m_sink, &m_stop);
    std::lock_guard<std::mutex> lock(m_view->m_mutex);
    m_view->m_writers.push_back(this);
}

window_log::~window_log() {
    {
        std::lock_guard<std::mutex> lock(m_view->m_mutex);
        auto &writers = m_view->m_writers;
        writers.erase(std::remove(writers.begin(), writers.end(), this), writers.end());
        if (m_view->m_open_line == this) m_view->m_open_line = nullptr;
    }
    log_destroy(m_sink);
}

void window_log::write(void *user, const char *text) {
    auto *self = static_cast<window_log *>(user);
    std::lock_guard<std::mutex> lock(self->m_view->m_mutex);
    if (self->m_view->m_cut) return;
    self->m_pending += text;
    self->m_view->queue_flush_locked();
}

void window_log::end_line() {
    std::lock_guard<std::mutex> lock(m_view->m_mutex);
    if ((m_pending.empty() && m_view->m_open_line != this) || m_view->m_cut) return;
    m_line_ended = true;
    m_view->queue_flush_locked();
}
