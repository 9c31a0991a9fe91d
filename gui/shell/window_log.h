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
    // Any thread, under mutex_: one flush queued at a time.
    void queue_flush_locked();

    wxTextCtrl *control_;  // window thread only
    wxTimer *partial_timer_;  // window thread only; made and destroyed there
    window_mailbox_ptr mailbox_;
    std::mutex mutex_;  // guards the writers' pending text too
    std::vector<window_log *> writers_;
    // The writer whose partial line ends the control's text, if any; the
    // others' text waits until its line ends.
    window_log *open_line_ = nullptr;
    bool flush_queued_ = false;
    bool cut_ = false;  // writes are dropped from now on
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

    log_sink *sink() { return sink_; }
    stop_request *stop() { return &stop_; }
    const window_log_view_ptr &view() const { return view_; }
    // Worker: the command has ended; its last partial line may be shown.
    void end_line();
    // Window thread, for the view's sake.
    void append(const char *text) { view_->append(text); }
    void flush() { view_->flush(); }
    void clear() { view_->clear(); }
    void cut() { view_->cut(); }

private:
    friend class window_log_view;
    static void write(void *user, const char *text);

    window_log_view_ptr view_;
    log_sink *sink_;
    stop_request stop_;
    std::string pending_;  // guarded by the view's mutex
    bool line_ended_ = false;  // the partial tail may go too
};

using window_log_ptr = std::shared_ptr<window_log>;
