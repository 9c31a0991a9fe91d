// What both device pages hold to start commands: the device half's runner and
// port field, the page's own mailbox (completion events) and its gauge. The
// page's mailbox and gauge are cut with the page, so a worker that outlives
// the page reports into nothing.
//
// Threading: window thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/shell/task_runner.h"

class wxComboBox;
class wxGauge;
class wxWindow;

// The device half, as the port row hands it to its pages.
struct device_half {
    std::shared_ptr<task_runner> task;
    wxComboBox *portname;  // the port row's field; outlives the pages
};

class device_page_link {
public:
    device_page_link(wxWindow *page, wxGauge *bar, device_half half);
    ~device_page_link();
    device_page_link(const device_page_link &) = delete;
    device_page_link &operator=(const device_page_link &) = delete;

    // The port row's field as it reads now.
    std::string port() const;
    // A command may start: no job runs and a port is named.
    bool can_start() const;
    // update runs after every start and end of a job and every change of the
    // port name; it derives the enabled state of the page's controls.
    void state_listener_add(const std::function<void()> &update);
    // Runs the command words on the port as the field names it now.
    void run(const std::vector<std::string> &words);
    void run(task_job job);

    std::shared_ptr<task_runner> task;

private:
    wxComboBox *m_portname;
    page_mailbox m_mailbox;
    window_gauge_ptr m_gauge;
};
