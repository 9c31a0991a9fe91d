#include "gui/card/disk_task.h"

#include <wx/choice.h>
#include <wx/filefn.h>

#include "gui/card/card_thread.h"

disk_task::disk_task(window_log_ptr log, window_gauge_ptr gauge, wxChoice *drives)
    : m_log(std::move(log)), m_gauge(std::move(gauge)), m_drives(drives) {}

char disk_task::drive_letter() const {
    const int chosen = m_drives->GetSelection();
    if (chosen == wxNOT_FOUND) return card_drive_letter("");
    return card_drive_letter(m_drives->GetString(chosen).utf8_string());
}

void disk_task::start(const window_mailbox_ptr &page, thread_base *worker) {
    // While busy the sink belongs to the running command, and while the window
    // closes the stop request must stay; thread_run refuses both.
    if (can_start()) {
        stop_clear(m_log->stop());
        log_attach_gauge(m_log->sink(), m_gauge->record());
        worker->m_gauge = m_gauge;
        worker->m_page = page;
        worker->m_log = m_log;
        worker->m_drive = drive_letter();
        worker->m_display = m_display;
    }
    thread_run(worker, worker->can_stop());
}

void disk_task::format(const window_mailbox_ptr &page, bool force) {
    start(page, new formatter(force));
}

void disk_task::add_image(const window_mailbox_ptr &page, const std::string &image_file,
                          const std::string &name, bool verify) {
    start(page, new writer(image_file, name, m_display, verify));
}

void disk_task::list_up(const window_mailbox_ptr &page, std::shared_ptr<card_list> result) {
    start(page, new listupsan(std::move(result)));
}

void disk_task::read_all_backup_ram(const window_mailbox_ptr &page, const std::string &folder,
                                    bool overwrite) {
    start(page, new mmcbk_read(folder, overwrite));
}

void disk_task::write_backup_ram(const window_mailbox_ptr &page, const std::string &file,
                                 uint32_t image_number) {
    start(page, new mmcbk_write(image_number, file));
}

void disk_task::configure(const window_mailbox_ptr &page, const config_change &change,
                          const std::vector<uint32_t> &images, const std::string &name) {
    if (images.empty() || images.size() > 100) {
        report_caller_error("configure", "t->image_num > 0 && t->image_num <= 100");
        return;
    }
    start(page, new config_set_kun(change, images, name));
}

void disk_task::raw_dump(const window_mailbox_ptr &page, uint32_t image_number,
                         const std::string &folder) {
    start(page, new rawdumper(image_number, folder));
}

void disk_task::cut_amount(const window_mailbox_ptr &page, uint32_t image_number) {
    start(page, new amountchanger(image_number));
}

void disk_task::hash(const window_mailbox_ptr &page, uint32_t image_number) {
    start(page, new mmccrckun(image_number));
}

void disk_task::check(const window_mailbox_ptr &page) { start(page, new card_checker); }

void disk_task::reorder(const window_mailbox_ptr &page, const std::vector<uint32_t> &images) {
    for (uint32_t n : images)
        if (n >= 10000) {
            report_caller_error("reorder", "*imagenumber < 10000");
            return;
        }
    start(page, new reorderer(images));
}

void disk_task::scan_drives(const window_mailbox_ptr &page,
                            std::shared_ptr<std::vector<std::string>> result) {
    start(page, new driveletter_getter(std::move(result)));
}

void disk_task::stop() { stop_ask(m_log->stop()); }

void disk_task::command_display_on() { m_display = true; }
