// One half's runner: starts one job at a time on a joinable worker for the
// pages, carries its log text and gauge moves to the window (through the
// half's window_log and the page's window_gauge), asks it to stop, and joins
// it when its completion event arrives. The pages own the enabled state of
// their controls: each derives it from its own state and busy()/stoppable()
// in a listener the runner calls after every start and end.
//
// The runner owns its worker: the completion handler (thread_close) joins and
// deletes it, and a runner destroyed while its worker runs waits for it, so
// no worker is ever left inside a command without an owner.
//
// Threading: window thread only. Workers never touch the runner; they report
// through the log sink, the gauge and one event posted to the page's mailbox.
#pragma once

#include <functional>
#include <vector>

#include <wx/weakref.h>
#include <wx/window.h>

#include "gui/shell/task_job.h"
#include "gui/shell/window_gauge.h"
#include "gui/shell/window_log.h"
#include "gui/shell/window_mailbox.h"

class wxThread;

// Where a job reports: the page's mailbox gets the completion event, the
// gauge shows the progress.
struct task_page {
    window_mailbox_ptr mailbox;
    window_gauge_ptr gauge;
};

class task_runner {
public:
    explicit task_runner(window_log_ptr log);
    task_runner(const task_runner &) = delete;
    task_runner &operator=(const task_runner &) = delete;
    // Waits for a running worker before the runner goes.
    ~task_runner();

    bool busy() const { return m_thread != nullptr; }
    // A job that can stop runs: Stop is usable.
    bool stoppable() const { return busy() && m_can_stop; }
    // Whether a new job may start: not busy and not winding down.
    bool can_start() const { return !busy() && !m_winding_down; }
    // From now on starts are refused quietly (the window is closing), so a
    // completion handler cannot start the next queued command.
    void wind_down() { m_winding_down = true; }
    // A page's function that derives the enabled state of its controls from
    // its own state and busy(); called after every start and end.
    void state_listener_add(std::function<void()> listener) {
        m_state_listeners.push_back(std::move(listener));
    }
    // Calls every listener: something the pages' states depend on changed
    // outside them (the port name field).
    void state_changed();
    // Called on the window thread each time a worker has ended and been joined.
    void on_worker_ended(std::function<void()> callback) { m_worker_ended = std::move(callback); }

    // Starts the job on a new worker. A second start while busy is a caller
    // error; a start while winding down is dropped.
    void run(const task_page &page, task_job job);
    // The completion handler's part: the worker joined and deleted, the pages
    // told, focus returned to the control that had it when the job started
    // (the page usually disabled it meanwhile) if it is usable again.
    void thread_close();
    // Asks the running job to end at its next safe point.
    void stop();

    const window_log_ptr &log() const { return m_log; }
    // A firmware write is running: it cannot stop safely in the middle of a page.
    bool writing_firmware() const { return busy() && m_firmware_write; }

private:
    // The runner owns the joinable worker from here on.
    void thread_run(wxThread *worker, bool can_stop);

    window_log_ptr m_log;
    wxWeakRef<wxWindow> m_focus;  // pages may go while a job runs
    wxThread *m_thread = nullptr;  // owned; joinable
    bool m_winding_down = false;
    bool m_can_stop = false;        // the running job's
    bool m_firmware_write = false;  // the running job's
    std::function<void()> m_worker_ended;
    std::vector<std::function<void()>> m_state_listeners;
};
