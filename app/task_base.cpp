#include "app/task_base.h"

#include <cstdio>

#include <wx/thread.h>
#include <wx/window.h>

task_base::~task_base() {
    if (m_thread == nullptr) return;
    m_thread->Wait();
    delete m_thread;
}

void task_base::report_caller_error(const char *function, const char *text) {
    // Internal errors: a message for the developer, and the call is refused.
    fprintf(stderr, "internal error in %s: %s\n", function, text);
}

void task_base::button_add(wxWindow *control) {
    if (m_button_num >= m_button_max) {
        report_caller_error("button_add", "m_button_num < m_button_max");
        return;
    }
    m_buttons[m_button_num++] = control;
}

void task_base::busy_control_add(wxWindow *control) {
    m_busy_controls.push_back(control);
    control->Enable(busy() && m_can_stop);
}

void task_base::show_busy(bool busy) {
    for (int i = 0; i < m_button_num; i++) m_buttons[i]->Enable(!busy);
    for (wxWindow *control : m_busy_controls) control->Enable(busy && m_can_stop);
    for (auto &listener : m_state_listeners) listener();
}

void task_base::thread_run(wxThread *worker, bool can_stop) {
    if (m_winding_down) {
        delete worker;
        return;
    }
    if (m_thread != nullptr) {
        report_caller_error("thread_run", "m_thread == __null");
        delete worker;
        return;
    }
    wxWindow *focus = wxWindow::FindFocus();
    m_focus = nullptr;
    for (int i = 0; i < m_button_num; i++)
        if (m_buttons[i] == focus) m_focus = focus;
    m_can_stop = can_stop;
    m_thread = worker;  // first, so that the pages' listeners see the task busy
    show_busy(true);
    if (worker->Run() != wxTHREAD_NO_ERROR) {
        // Never started, so it will not post its event.
        delete worker;
        m_thread = nullptr;
        show_busy(false);
    }
}

void task_base::thread_close() {
    if (m_thread == nullptr) {
        report_caller_error("thread_close", "m_thread != __null");
        return;
    }
    // The worker posted its event as its last act, so this wait is short.
    m_thread->Wait();
    delete m_thread;
    m_thread = nullptr;
    show_busy(false);
    if (m_focus != nullptr) {
        m_focus->SetFocus();
        m_focus = nullptr;
    }
    if (m_worker_ended) m_worker_ended();
}
