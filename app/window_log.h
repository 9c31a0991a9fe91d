// The window's log sink: commands write UTF-8 text from the worker thread, the
// text lands at the end of the window's log control on the window thread, in
// call order. A write never waits for the window: text is gathered under a
// short lock and one queued flush at a time carries everything gathered so far,
// so a chatty command cannot flood the event queue.
//
// Ownership: shared between the frame and every worker it starts (each worker
// holds a window_log_ptr), so the sink record and the stop request stay valid
// while a worker outlives the frame. The frame calls cut() before its controls
// die; later writes are dropped.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/window_mailbox.h"
#include "core/log.h"
#include "core/stop_request.h"

class wxTextCtrl;

class window_log : public std::enable_shared_from_this<window_log> {
public:
    // Always made through std::make_shared: queued flushes hold a reference.
    explicit window_log(wxTextCtrl *control);
    ~window_log();
    window_log(const window_log &) = delete;
    window_log &operator=(const window_log &) = delete;

    log_sink *sink() { return sink_; }
    stop_request *stop() { return &stop_; }
    // Window thread: appends at once (page messages that are not a command's).
    void append(const char *text);
    // Window thread: carries any gathered text over now.
    void flush();
    void cut();

private:
    static void write(void *user, const char *text);

    wxTextCtrl *control_;  // window thread only
    window_mailbox_ptr mailbox_;
    log_sink *sink_;
    stop_request stop_;
    std::mutex mutex_;
    std::string pending_;
    bool flush_queued_ = false;
};

using window_log_ptr = std::shared_ptr<window_log>;
