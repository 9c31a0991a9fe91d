#include "gui/card/card_thread.h"

#include "app/task_event.h"
#include "card/store/drive_table.h"
#include "gui/card/drive_entries.h"

void thread_base::post_done(int event_number) {
    m_log->end_line();
    wxCommandEvent done(EVT_TASK_DONE, event_number);
    m_page->post(done);
}

wxThread::ExitCode card_job_thread::Entry() {
    post_done(card_job_run(m_log->sink(), m_drive, m_job, m_display));
    return nullptr;
}

wxThread::ExitCode listupsan::Entry() {
    const std::string drive(1, m_drive);
    card_list_rows(m_log->sink(), drive.c_str(), m_result.get());
    post_done(CARD_EVENT_LISTED);
    return nullptr;
}

wxThread::ExitCode driveletter_getter::Entry() {
    drive_table_refresh();
    *m_result = drive_entry_texts(drive_table_entries());
    post_done(CARD_EVENT_DRIVES_SCANNED);
    return nullptr;
}
