// What every card page shares: the card half (its runner, the drive row's
// bar and drive chooser, the command display mode), the settings store, and
// the way a page starts a job through its own mailbox.
//
// Threading: window thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "gui/shell/my_config.h"
#include "gui/shell/task_runner.h"
#include "gui/shell/window_log.h"
#include "gui/shell/window_mailbox.h"
#include "gui/card/card_job.h"

class wxChoice;

// The drive chooser's last entry: opens a card image file instead of a drive.
#define OPEN_CARD_IMAGE_ENTRY "Open card image..."

// The drive row's half of the window; outlives the pages.
struct card_half {
    card_half(window_log_ptr log, window_gauge_ptr gauge, wxChoice *drives)
        : task(std::move(log)), gauge(std::move(gauge)), drives(drives) {}

    // The letter of the drive chosen now.
    char drive_letter() const;
    // Whether a drive is chosen: neither nothing nor the image file entry.
    bool drive_chosen() const;
    // The chooser sends no event when the program fills or sets it, so the
    // drive row calls drive_changed() after every change; pages listen to
    // keep what needs a drive usable only with one.
    void drive_listener_add(std::function<void()> listener) {
        m_drive_listeners.push_back(std::move(listener));
    }
    void drive_changed() const;

    task_runner task;
    window_gauge_ptr gauge;  // the drive row's bar, shared by every card page
    wxChoice *drives;        // the drive row's chooser
    bool command_display = false;  // every later command writes its vector to the log first

private:
    std::vector<std::function<void()>> m_drive_listeners;
};

struct card_page_link {
    card_half *half;
    task_runner *task;  // the half's
    my_config *config;  // the application's
    // Clears and lists the image list page again (after format, config, ...).
    std::function<void()> relist;

    // Starts the job on the drive chosen now; a refused job only logs why.
    void run(const page_mailbox &page, const card_job &job) const;
    void run(const page_mailbox &page, task_job job) const;
};

// Appends a page's own message to the card log.
inline void page_log(const card_page_link &link, const char *text) {
    link.task->log()->append(text);
}
