// A way for a worker thread to hand work to a window that may be destroyed
// while the worker still runs.
//
// Threading: post() from any thread; cut() on the window thread, before the
// target's destruction starts. After cut() returns nothing more reaches the
// target, and whatever was queued before is discarded by the toolkit with the
// target itself. Workers keep the mailbox alive through a shared pointer, so
// they never touch freed memory however long they outlive the window.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include <wx/event.h>

class window_mailbox {
public:
    explicit window_mailbox(wxEvtHandler *target) : m_target(target) {}

    // Runs fn on the window thread later. False when the target is gone.
    bool call_after(std::function<void()> fn);
    // Queues a copy of the event to the target. False when the target is gone.
    bool post(const wxEvent &event);
    void cut();

private:
    std::mutex m_mutex;
    wxEvtHandler *m_target;
};

using window_mailbox_ptr = std::shared_ptr<window_mailbox>;

// A page's own mailbox: made with the page and cut when the page goes, so a
// worker that outlives the page posts into nothing.
class page_mailbox {
public:
    explicit page_mailbox(wxEvtHandler *page) : m_mailbox(std::make_shared<window_mailbox>(page)) {}
    ~page_mailbox() { m_mailbox->cut(); }
    page_mailbox(const page_mailbox &) = delete;
    page_mailbox &operator=(const page_mailbox &) = delete;
    const window_mailbox_ptr &get() const { return m_mailbox; }

private:
    window_mailbox_ptr m_mailbox;
};
