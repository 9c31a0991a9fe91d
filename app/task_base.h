// What both halves' tasks share: the controls that start commands, disabled
// while the one worker of the task runs and enabled again when its completion
// event arrives, with the keyboard focus handed back.
//
// Threading: window thread only. Workers never touch a task; they report
// through the log sink, the gauge and one posted completion event.
#pragma once

#include <vector>

class wxWindow;
class wxThread;

class task_base {
public:
    virtual ~task_base() = default;

    // Registers a control that starts commands; more than m_button_max is a
    // caller error.
    void button_add(wxWindow *control);
    // Registers a control that is usable only while the worker runs (Stop).
    void busy_control_add(wxWindow *control);
    bool busy() const { return m_thread != nullptr; }

    // Disables the registered controls and starts the worker (detached; it
    // deletes itself). A second start while busy is a caller error.
    void thread_run(wxThread *worker);
    // The completion handler's part: controls enabled, focus returned.
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
    wxThread *m_thread = nullptr;  // not owned; only marks the task busy
};
