#include <atomic>
#include <memory>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>

#include "gui/shell/task_event.h"
#include "gui/shell/task_runner.h"
#include "tests/support/gui_fixture.h"

namespace {

// A job that ends when told.
task_job gate_job(std::atomic<bool> *open, bool can_stop = true) {
    task_job job;
    job.can_stop = can_stop;
    job.work = [open](log_sink *) {
        while (!open->load()) wxMilliSleep(1);
        return 0;
    };
    return job;
}

class TaskBase : public testing::Test {
protected:
    void SetUp() override {
        window = new wxFrame(nullptr, wxID_ANY, "task");
        auto *log = new wxTextCtrl(window, wxID_ANY, "", wxPoint(0, 100), wxSize(200, 60),
                                   wxTE_MULTILINE);
        auto *bar = new wxGauge(window, wxID_ANY, 100, wxPoint(0, 170));
        task = std::make_unique<task_runner>(std::make_shared<window_log>(log));
        mailbox = std::make_unique<page_mailbox>(window);
        page = {mailbox->get(), std::make_shared<window_gauge>(bar)};
        // The page's completion handler: the runner joins its worker.
        window->Bind(EVT_TASK_DONE, [this](wxCommandEvent &) { task->thread_close(); });
        for (int i = 0; i < 3; i++)
            buttons[i] = new wxButton(window, wxID_ANY, wxString::Format("b%d", i), wxPoint(0, 30 * i));
        stop = new wxButton(window, wxID_ANY, "stop", wxPoint(100, 0));
        // The page's part: its controls' enabled state from the runner's.
        auto update = [this] {
            for (auto *b : buttons) b->Enable(!task->busy());
            stop->Enable(task->stoppable());
        };
        task->state_listener_add(update);
        update();
        window->Show();
        pump_pending();
    }
    void TearDown() override {
        EXPECT_TRUE(pump_until([this] { return !task->busy(); }));
        task.reset();
        page.gauge->cut();
        mailbox.reset();
        window->Destroy();
        pump_pending();
    }

    std::unique_ptr<task_runner> task;
    std::unique_ptr<page_mailbox> mailbox;
    task_page page;
    wxFrame *window;
    wxButton *buttons[3];
    wxButton *stop;
};

}  // namespace

TEST_F(TaskBase, ControlsDisabledWhileBusyAndFocusReturned) {
    EXPECT_FALSE(stop->IsEnabled());
    buttons[1]->SetFocus();
    ASSERT_TRUE(pump_until([&] { return wxWindow::FindFocus() == buttons[1]; }));
    std::atomic<bool> open{false};
    task->run(page, gate_job(&open));
    EXPECT_TRUE(task->busy());
    for (auto *b : buttons) EXPECT_FALSE(b->IsEnabled());
    EXPECT_TRUE(stop->IsEnabled());
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task->busy(); }));
    for (auto *b : buttons) EXPECT_TRUE(b->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    ASSERT_TRUE(pump_until([&] { return wxWindow::FindFocus() == buttons[1]; }));
}

TEST_F(TaskBase, CallerErrorsAreRefused) {
    testing::internal::CaptureStderr();
    task->thread_close();  // nothing runs
    std::atomic<bool> open{false};
    task->run(page, gate_job(&open));
    task->run(page, gate_job(&open));  // refused
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("thread_close: m_thread != __null"), std::string::npos) << err;
    EXPECT_NE(err.find("thread_run: m_thread == __null"), std::string::npos) << err;
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task->busy(); }));
}

TEST_F(TaskBase, StopIsOfferedOnlyWhileAWorkerThatCanStopRuns) {
    std::atomic<bool> open{false};
    task->run(page, gate_job(&open, false));
    EXPECT_TRUE(task->busy());
    for (auto *b : buttons) EXPECT_FALSE(b->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task->busy(); }));
    EXPECT_FALSE(stop->IsEnabled());
}
