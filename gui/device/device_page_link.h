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

#include "app/task_runner.h"

class wxGauge;
class wxTextEntry;
class wxWindow;

// The device half, as the port row hands it to its pages.
struct device_half {
    std::shared_ptr<task_runner> task;
    wxTextEntry *portname;  // the port row's field; outlives the pages
};

class device_page_link {
public:
    device_page_link(wxWindow *page, wxGauge *bar, device_half half);
    ~device_page_link();
    device_page_link(const device_page_link &) = delete;
    device_page_link &operator=(const device_page_link &) = delete;

    // The port row's field as it reads now.
    std::string port() const;
    // Runs the command words on the port as the field names it now.
    void run(const std::vector<std::string> &words);
    void run(task_job job);

    std::shared_ptr<task_runner> task;

private:
    wxTextEntry *m_portname;
    page_mailbox m_mailbox;
    window_gauge_ptr m_gauge;
};
