// The card half's task: starts one card worker at a time for the card pages.
// The drive letter is taken from the drive chooser at each start.
//
// Threading: window thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/task_base.h"
#include "app/window_gauge.h"
#include "app/window_log.h"
#include "app/window_mailbox.h"
#include "card/commands/card_list.h"
#include "gui/card/config_change.h"

class wxChoice;
class thread_base;

class disk_task : public task_base {
public:
    disk_task(window_log_ptr log, window_gauge_ptr gauge, wxChoice *drives);

    void format(const window_mailbox_ptr &page, bool force);
    // verify: read back what was written (the command's default).
    void add_image(const window_mailbox_ptr &page, const std::string &image_file,
                   const std::string &name, bool verify = true);
    // The listing lands in result when event 4 arrives.
    void list_up(const window_mailbox_ptr &page, std::shared_ptr<card_list> result);
    void read_all_backup_ram(const window_mailbox_ptr &page, const std::string &folder,
                             bool overwrite);
    void write_backup_ram(const window_mailbox_ptr &page, const std::string &file,
                          uint32_t image_number);
    void configure(const window_mailbox_ptr &page, const config_change &change,
                   const std::vector<uint32_t> &images, const std::string &name);
    // Into card_rawdump_path(image_number, folder).
    void raw_dump(const window_mailbox_ptr &page, uint32_t image_number, const std::string &folder);
    void cut_amount(const window_mailbox_ptr &page, uint32_t image_number);
    void hash(const window_mailbox_ptr &page, uint32_t image_number);
    void check(const window_mailbox_ptr &page);
    void reorder(const window_mailbox_ptr &page, const std::vector<uint32_t> &images);
    // The chooser's texts land in result when event 14 arrives.
    void scan_drives(const window_mailbox_ptr &page,
                     std::shared_ptr<std::vector<std::string>> result);

    // Asks the running command to end at its next safe point.
    void stop();
    // Every later command writes its vector to the log before it runs.
    void command_display_on();
    bool command_display() const { return m_display; }
    const window_log_ptr &log() const { return m_log; }
    char drive_letter() const;

private:
    void start(const window_mailbox_ptr &page, thread_base *worker);

    window_log_ptr m_log;
    window_gauge_ptr m_gauge;  // the drive row's bar, shared by every card page
    wxChoice *m_drives;  // the drive row's chooser; outlives the task
    bool m_display = false;
};
