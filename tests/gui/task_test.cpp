#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>

#include "app/task_base.h"
#include "tests/gui/gui_fixture.h"

namespace {

// A worker that ends when told, then runs its end on the window thread as a
// completion handler would.
class gate_thread : public wxThread {
public:
    gate_thread(task_base *task, std::atomic<bool> *open)
        : wxThread(wxTHREAD_JOINABLE), task_(task), open_(open) {
        living++;
    }
    // The task joins and deletes its worker; the tests wait for that so that
    // no thread outlives the toolkit at exit.
    ~gate_thread() override { living--; }
    static inline std::atomic<int> living{0};

protected:
    ExitCode Entry() override {
        while (!open_->load()) wxMilliSleep(1);
        wxTheApp->CallAfter([task = task_] { task->thread_close(); });
        return nullptr;
    }

private:
    task_base *task_;
    std::atomic<bool> *open_;
};

class TaskBase : public testing::Test {
protected:
    void SetUp() override {
        window = new wxFrame(nullptr, wxID_ANY, "task");
        for (int i = 0; i < 3; i++) {
            buttons[i] = new wxButton(window, wxID_ANY, wxString::Format("b%d", i), wxPoint(0, 30 * i));
            task.button_add(buttons[i]);
        }
        stop = new wxButton(window, wxID_ANY, "stop", wxPoint(100, 0));
        task.busy_control_add(stop);
        window->Show();
        pump_pending();
    }
    void TearDown() override {
        EXPECT_TRUE(pump_until([] { return gate_thread::living.load() == 0; }));
        window->Destroy();
        pump_pending();
    }

    task_base task;
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
    task.thread_run(new gate_thread(&task, &open));
    EXPECT_TRUE(task.busy());
    for (auto *b : buttons) EXPECT_FALSE(b->IsEnabled());
    EXPECT_TRUE(stop->IsEnabled());
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task.busy(); }));
    for (auto *b : buttons) EXPECT_TRUE(b->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    ASSERT_TRUE(pump_until([&] { return wxWindow::FindFocus() == buttons[1]; }));
}

TEST_F(TaskBase, CallerErrorsAreRefused) {
    testing::internal::CaptureStderr();
    for (int i = task.m_button_num; i < task_base::m_button_max; i++) task.button_add(buttons[0]);
    EXPECT_EQ(task.m_button_num, task_base::m_button_max);
    task.button_add(buttons[0]);  // the eleventh
    EXPECT_EQ(task.m_button_num, task_base::m_button_max);
    task.thread_close();  // nothing runs
    std::atomic<bool> open{false};
    task.thread_run(new gate_thread(&task, &open));
    task.thread_run(new gate_thread(&task, &open));  // refused and deleted unstarted
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("button_add: m_button_num < m_button_max"), std::string::npos) << err;
    EXPECT_NE(err.find("thread_close: m_thread != __null"), std::string::npos) << err;
    EXPECT_NE(err.find("thread_run: m_thread == __null"), std::string::npos) << err;
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task.busy(); }));
}

TEST_F(TaskBase, StopIsOfferedOnlyWhileAWorkerThatCanStopRuns) {
    std::atomic<bool> open{false};
    task.thread_run(new gate_thread(&task, &open), false);
    EXPECT_TRUE(task.busy());
    for (auto *b : buttons) EXPECT_FALSE(b->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    open = true;
    ASSERT_TRUE(pump_until([&] { return !task.busy(); }));
    EXPECT_FALSE(stop->IsEnabled());
}
