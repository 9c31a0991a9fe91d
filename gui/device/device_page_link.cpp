#include "gui/device/device_page_link.h"

#include <wx/gauge.h>
#include <wx/combobox.h>
#include <wx/window.h>

#include "gui/device/device_job.h"

device_page_link::device_page_link(wxWindow *page, wxGauge *bar, device_half half)
    : task(std::move(half.task)), m_portname(half.portname), m_mailbox(page),
      m_gauge(std::make_shared<window_gauge>(bar)) {}

device_page_link::~device_page_link() { m_gauge->cut(); }

// A name that does not convert becomes empty, so the command fails at the
// open and says so in the log.
std::string device_page_link::port() const {
    wxCharBuffer b = m_portname->GetValue().mb_str();
    return b.data() != nullptr ? std::string(b.data()) : std::string();
}

bool device_page_link::can_start() const { return !task->busy() && !m_portname->GetValue().empty(); }

void device_page_link::state_listener_add(const std::function<void()> &update) {
    task->state_listener_add(update);
    update();
}

void device_page_link::run(const std::vector<std::string> &words) { run(device_job(words, port())); }

void device_page_link::run(task_job job) { task->run({m_mailbox.get(), m_gauge}, std::move(job)); }
