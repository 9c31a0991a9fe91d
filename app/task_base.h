// What both halves' tasks share: the controls that start commands, disabled
// while the one worker of the task runs and enabled again when its completion
// event arrives, with the keyboard focus handed back.
//
// The task owns its worker: workers are joinable, the completion handler
// joins and deletes the worker, and a task destroyed while its worker runs
// waits for it, so no worker is ever left inside a command without an owner.
//
// Threading: window thread only. Workers never touch a task; they report
// through the log sink, the gauge and one posted completion event.
#pragma once

#include <functional>
#include <vector>

class wxWindow;
class wxThread;

class task_base {
public:
    task_base() = default;
    task_base(const task_base &) = delete;
    task_base &operator=(const task_base &) = delete;
    // Waits for a running worker before the task goes.
    virtual ~task_base();

    // Registers a control that starts commands; more than m_button_max is a
    // caller error.
    void button_add(wxWindow *control);
    // Registers a control that is usable only while a worker that can stop
    // runs (Stop).
    void busy_control_add(wxWindow *control);
    bool busy() const { return m_thread != nullptr; }
    // Whether a new worker may start: not busy and not winding down.
    bool can_start() const { return !busy() && !m_winding_down; }
    // From now on starts are refused quietly (the window is closing), so a
    // completion handler cannot start the next queued command.
    void wind_down() { m_winding_down = true; }
    // A page's function that derives the enabled state of controls the page
    // owns from its own state and busy(); called after every start and end.
    void state_listener_add(std::function<void()> listener) {
        m_state_listeners.push_back(std::move(listener));
    }
    // Called on the window thread each time a worker has ended and been joined.
    void on_worker_ended(std::function<void()> callback) { m_worker_ended = std::move(callback); }

    // Disables the registered controls and starts the worker, which must be
    // joinable; the task owns it from here on. A second start while busy is a
    // caller error; a start while winding down is dropped.
    void thread_run(wxThread *worker, bool can_stop = true);
    // The completion handler's part: the worker joined and deleted, controls
    // enabled, focus returned.
    void thread_close();

    int m_button_num = 0;
    static constexpr int m_button_max = 10;

protected:
    void report_caller_error(const char *function, const char *text);

private:
    void show_busy(bool busy);

    wxWindow *m_buttons[m_button_max] = {};
    std::vector<wxWindow *> m_busy_controls;
    wxWindow *m_focus = nullptr;
    wxThread *m_thread = nullptr;  // owned; joinable
    bool m_winding_down = false;
    bool m_can_stop = false;  // the running worker's
    std::function<void()> m_worker_ended;
    std::vector<std::function<void()>> m_state_listeners;
};
