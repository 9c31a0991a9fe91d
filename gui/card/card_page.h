// What every card page shares: the card task, the card log, the settings
// store, and a mailbox through which its workers reach it. The page cuts its
// mailbox when it is destroyed, so a worker that outlives it posts nowhere.
//
// Threading: window thread only.
#pragma once

#include <functional>
#include <memory>

#include "app/my_config.h"
#include "app/window_log.h"
#include "app/window_mailbox.h"
#include "gui/card/disk_task.h"

struct card_page_link {
    disk_task *task;    // the drive row's; outlives the pages
    my_config *config;  // the application's
    // Clears and lists the image list page again (after format, config, ...).
    std::function<void()> relist;
};

class card_page_mailbox {
public:
    explicit card_page_mailbox(wxEvtHandler *page)
        : m_mailbox(std::make_shared<window_mailbox>(page)) {}
    ~card_page_mailbox() { m_mailbox->cut(); }
    const window_mailbox_ptr &get() const { return m_mailbox; }

private:
    window_mailbox_ptr m_mailbox;
};

// Appends a page's own message to the card log.
inline void page_log(const card_page_link &link, const char *text) {
    link.task->log()->append(text);
}
