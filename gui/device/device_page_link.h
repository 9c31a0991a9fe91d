// What both device pages hold to start commands: the shared device task, the
// page's own mailbox (completion events) and its gauge. The page cuts both in
// its destructor, so a worker that outlives the page posts into nothing.
#pragma once

#include <memory>

#include <wx/gauge.h>
#include <wx/window.h>

#include "app/serial_task.h"

struct device_page_link {
    device_page_link(wxWindow *page, wxGauge *bar, std::shared_ptr<serial_task> task)
        : task(std::move(task)),
          link{std::make_shared<window_mailbox>(page), std::make_shared<window_gauge>(bar)} {}
    ~device_page_link() {
        link.page->cut();
        link.gauge->cut();
    }
    device_page_link(const device_page_link &) = delete;
    device_page_link &operator=(const device_page_link &) = delete;

    std::shared_ptr<serial_task> task;
    serial_page_link link;
};
