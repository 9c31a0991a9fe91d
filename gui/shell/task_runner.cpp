#include "gui/shell/task_runner.h"

#include <cstdio>

#include <wx/thread.h>
#include <wx/window.h>

#include "core/internal_error.h"
#include "gui/shell/task_event.h"

namespace {

// Runs one job, then lets the last partial line go and posts the job's
// completion event to its page as its last act. Holds shared references to
// everything it reports through, so its text and event are dropped, not
// written into freed memory, once the window has cut its mailboxes.
class job_thread : public wxThread {
public:
    job_thread(task_job job, task_page page, window_log_ptr log)
        : wxThread(wxTHREAD_JOINABLE), m_job(std::move(job)), m_page(std::move(page)),
          m_log(std::move(log)) {}

protected:
    ExitCode Entry() override {
        const int event_id = m_job.work(m_log->sink());
        m_log->end_line();
        m_page.mailbox->post(wxCommandEvent(EVT_TASK_DONE, event_id));
        return nullptr;
    }

private:
    task_job m_job;
    task_page m_page;
    window_log_ptr m_log;
};

}  // namespace

task_runner::task_runner(window_log_ptr log) : m_log(std::move(log)) {}

task_runner::~task_runner() {
    if (m_thread == nullptr) return;
    m_thread->Wait();
    delete m_thread;
}

void task_runner::state_changed() {
    for (auto &listener : m_state_listeners) listener();
}

void task_runner::run(const task_page &page, task_job job) {
    // While busy the sink belongs to the running job, and while the window
    // closes the stop request must stay; thread_run refuses both.
    if (can_start()) {
        stop_clear(m_log->stop());
        log_attach_gauge(m_log->sink(), page.gauge->record());
        m_firmware_write = job.firmware_write;
    }
    const bool can_stop = job.can_stop;
    thread_run(new job_thread(std::move(job), page, m_log), can_stop);
}

void task_runner::thread_run(wxThread *worker, bool can_stop) {
    if (m_winding_down) {
        delete worker;
        return;
    }
    if (m_thread != nullptr) {
        internal_error("thread_run: m_thread == __null");
        delete worker;
        return;
    }
    m_focus = wxWindow::FindFocus();
    m_can_stop = can_stop;
    m_thread = worker;  // first, so that the pages' listeners see the runner busy
    state_changed();
    if (worker->Run() != wxTHREAD_NO_ERROR) {
        // Never started, so it will not post its event.
        delete worker;
        m_thread = nullptr;
        state_changed();
    }
}

void task_runner::thread_close() {
    if (m_thread == nullptr) {
        internal_error("thread_close: m_thread != __null");
        return;
    }
    // The worker posted its event as its last act, so this wait is short.
    m_thread->Wait();
    delete m_thread;
    m_thread = nullptr;
    state_changed();
    wxWindow *focus = m_focus.get();
    m_focus = nullptr;
    if (focus != nullptr && focus->IsEnabled() && wxWindow::FindFocus() != focus) focus->SetFocus();
    if (m_worker_ended) m_worker_ended();
}

void task_runner::stop() { stop_ask(m_log->stop()); }
