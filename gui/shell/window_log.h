// The window's log: commands write UTF-8 text from worker threads, the text
// lands at the end of the window's one log control on the window thread.
// Each half of the window writes through a window_log of its own (a log sink
// belongs to one thread at a time, and each half has its own stop request);
// the halves' window_logs share one window_log_view, which carries whole
// lines only, so text of two commands running at once never splits a line,
// and whose clear() empties the control and everything not yet shown.
//
// A write never waits for the window: text is gathered under a short lock and
// one queued flush at a time carries everything gathered so far, so a chatty
// command cannot flood the event queue. A partial line ("writing ..." before
// a long step) is shown once it has waited PARTIAL_LINE_MS; its line is then
// open, and the other writers' lines wait until its writer ends it, so two
// writers' texts never share a line. A command's last partial line is carried,
// and its line ended, when its worker calls end_line().
//
// Ownership: shared between the frame and every worker it starts (each worker
// holds a window_log_ptr, which holds the view), so the sink record and the
// stop request stay valid while a worker outlives the frame. The frame calls
// cut() before its controls die; later writes are dropped.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/shell/window_mailbox.h"
#include "core/log.h"
#include "platform/program.h"

class wxTextCtrl;
class wxTimer;
class window_log;

class window_log_view : public std::enable_shared_from_this<window_log_view> {
public:
    // Always made through std::make_shared: queued flushes hold a reference.
    explicit window_log_view(wxTextCtrl *control);
    ~window_log_view();
    window_log_view(const window_log_view &) = delete;
    window_log_view &operator=(const window_log_view &) = delete;

    // How long a partial line waits for the rest of its line before it shows.
    static constexpr int PARTIAL_LINE_MS = 250;

    // Window thread: carries the whole lines gathered so far over now;
    // partial: the partial lines too (the wait is over).
    void flush(bool partial = false);
    // Window thread: empties the control and drops whatever is not shown yet.
    void clear();
    // Window thread: appends at once (page messages that are not a command's).
    void append(const char *text);
    void cut();

private:
    friend class window_log;
    // Any thread, under m_mutex: one flush queued at a time.
    void queue_flush_locked();

    wxTextCtrl *m_control;  // window thread only
    wxTimer *m_partial_timer;  // window thread only; made and destroyed there
    window_mailbox_ptr m_mailbox;
    std::mutex m_mutex;  // guards the writers' pending text too
    std::vector<window_log *> m_writers;
    // The writer whose partial line ends the control's text, if any; the
    // others' text waits until its line ends.
    window_log *m_open_line = nullptr;
    bool m_flush_queued = false;
    bool m_cut = false;  // writes are dropped from now on
};

using window_log_view_ptr = std::shared_ptr<window_log_view>;

class window_log {
public:
    // A log with a view of its own.
    explicit window_log(wxTextCtrl *control);
    // One more writer into a shared view.
    explicit window_log(window_log_view_ptr view);
    ~window_log();
    window_log(const window_log &) = delete;
    window_log &operator=(const window_log &) = delete;

    log_sink *sink() { return m_sink; }
    stop_request *stop() { return &m_stop; }
    const window_log_view_ptr &view() const { return m_view; }
    // Worker: the command has ended; its last partial line may be shown.
    void end_line();
    // Window thread, for the view's sake.
    void append(const char *text) { m_view->append(text); }
    void flush() { m_view->flush(); }
    void clear() { m_view->clear(); }
    void cut() { m_view->cut(); }

private:
    friend class window_log_view;
    static void write(void *user, const char *text);

    window_log_view_ptr m_view;
    log_sink *m_sink;
    stop_request m_stop;
    std::string m_pending;  // guarded by the view's mutex
    bool m_line_ended = false;  // the partial tail may go too
};

using window_log_ptr = std::shared_ptr<window_log>;
