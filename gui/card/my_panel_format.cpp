#include "gui/card/my_panel_format.h"

#include <wx/msgdlg.h>

#include <string>

#include "gui/shell/task_event.h"
#include "card/commands/card_commands.h"
#include "gui/card/beside_program.h"
#include "gui/card/path_choice.h"

my_panel_format::my_panel_format(wxWindow *parent, const card_page_link &link)
    : panel_format(parent), m_link(link) {
    const bool japanese = m_link.config->ReadLong("formatter.lang", 0) == 1;
    (japanese ? m_japanese : m_english)->SetValue(true);
    show_notice();
    m_link.task->state_listener_add([this] {
        for (wxButton *b : {m_format, m_backup, m_restore}) b->Enable(!m_link.task->busy());
    });
    Bind(EVT_TASK_DONE, &my_panel_format::on_done, this);
}

void my_panel_format::show_notice() {
    const bool japanese = m_japanese->GetValue();
    m_notice->SetValue(beside_program_text(japanese ? "notice_ja.txt" : "notice_en.txt"));
}

void my_panel_format::on_language(wxCommandEvent &) {
    show_notice();
    m_link.config->store_long("formatter.lang", m_japanese->GetValue() ? 1 : 0);
}

// A card that holds a file system we cannot list may hold someone's files:
// the format goes ahead over it only when the user says so.
void my_panel_format::on_format(wxCommandEvent &) {
    const std::string drive(1, m_link.half->drive_letter());
    const char *foreign = card_foreign_file_system(drive.c_str());
    if (foreign != nullptr) {
        wxString question = wxString::Format(
            "The card's first partition holds a %s file system whose files this program "
            "cannot show. Formatting erases everything on it.\n\nFormat anyway?",
            foreign);
        if (wxMessageBox(question, "format", wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, this) !=
            wxYES)
            return;
    }
    m_link.run(m_mailbox, card_job_format(foreign != nullptr));
}

void my_panel_format::on_backup(wxCommandEvent &) {
    const wxString file =
        path_choose(this, PATH_SAVE_FILE, "Back up the card into", "card.tar.zst", "*.tar.zst");
    if (!file.empty()) m_link.run(m_mailbox, card_job_backup(file.utf8_string()));
}

// A card without the layout is formatted first only when the user says so;
// a card holding other images is refused by the restore itself.
void my_panel_format::on_restore(wxCommandEvent &) {
    const wxString file =
        path_choose(this, PATH_OPEN_FILE, "Restore the card from", wxEmptyString, "*.tar.zst");
    if (file.empty()) return;
    const int answer = wxMessageBox(
        "Format the card before restoring? Formatting erases everything on it.\n\n"
        "Yes: format, then restore. No: restore onto the card as it is (it must be formatted "
        "and hold no other images).",
        "restore", wxYES_NO | wxCANCEL | wxNO_DEFAULT | wxICON_QUESTION, this);
    if (answer == wxCANCEL) return;
    m_link.run(m_mailbox, card_job_restore(file.utf8_string(), answer == wxYES));
}

void my_panel_format::on_done(wxCommandEvent &) {
    m_link.task->thread_close();
    m_link.relist();
}
