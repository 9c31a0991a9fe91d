#include "gui/card/my_panel_write.h"

#include <algorithm>

#include <wx/filedlg.h>
#include <wx/filename.h>

#include "gui/shell/task_event.h"
#include "gui/card/beside_program.h"
#include "gui/card/card_job.h"
#include "gui/card/writer_queue.h"

my_panel_write::my_panel_write(wxWindow *parent, const card_page_link &link)
    : panel_write(parent), m_link(link) {
    m_path = m_link.config->Read("writer.path", wxEmptyString);
    m_verify->SetValue(m_link.config->ReadBool("writer.verify", true));
    m_dat->SetPath(m_link.config->Read("writer.dat", wxEmptyString));
    m_name_by_dat->SetValue(m_link.config->ReadBool("writer.name_by_dat", false));
    // Needs a queued row as well as an idle task, so the page decides.
    m_link.task->state_listener_add([this] { update_enabled(); });
    update_enabled();
    Bind(EVT_TASK_DONE, &my_panel_write::on_done, this);
}

void my_panel_write::update_enabled() {
    m_start->Enable(!m_queue->IsEmpty() && !m_link.task->busy());
}

my_panel_write::~my_panel_write() {
    m_link.config->store_string("writer.path", m_path);
    m_link.config->store_bool("writer.verify", m_verify->GetValue(), true);
    m_link.config->store_string("writer.dat", m_dat->GetPath());
    m_link.config->store_bool("writer.name_by_dat", m_name_by_dat->GetValue(), false);
}

bool my_panel_write::queue_file(const wxString &path, const wxString &name) {
    writer_queue_entry entry;
    if (!writer_queue_entry_make(m_link.task->log()->sink(), path.utf8_string(), name.utf8_string(),
                                 &entry))
        return false;
    m_entries.push_back(entry);
    m_queue->Append(wxString::FromUTF8(writer_queue_text(entry)));
    update_enabled();
    m_path = wxFileName(path).GetPath();
    return true;
}

bool my_panel_write::queue_list(const wxString &path) {
    std::vector<csv_list_line> lines;
    if (!csv_list_read(m_link.task->log()->sink(), path.utf8_string(), &lines)) return false;
    for (const csv_list_line &l : lines)
        queue_file(wxString::FromUTF8(l.path), wxString::FromUTF8(l.name));
    return true;
}

void my_panel_write::remove_selected() {
    const int row = m_queue->GetSelection();
    if (row == wxNOT_FOUND) return;
    // The first row is the one being written while a task runs.
    if (row == 0 && m_link.task->busy()) {
        page_log(m_link, "the row being written cannot be removed; stop first\n");
        return;
    }
    m_queue->Delete(static_cast<unsigned>(row));
    m_entries.erase(m_entries.begin() + row);
    if (!m_queue->IsEmpty()) m_queue->SetSelection(std::min(row, static_cast<int>(m_queue->GetCount()) - 1));
    update_enabled();
}

void my_panel_write::on_remove(wxCommandEvent &) { remove_selected(); }

void my_panel_write::on_queue_key(wxKeyEvent &event) {
    if (event.GetKeyCode() == WXK_DELETE && event.GetModifiers() == wxMOD_NONE)
        remove_selected();
    else
        event.Skip();
}

void my_panel_write::on_choose(wxCommandEvent &) {
    wxFileDialog dialog(this, "Open image file(s)", m_path, wxEmptyString,
                        "*.cdm;*.ccd;*.cue;*.chd;*.pce;*.zip;*.7z;*.csv", wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    wxArrayString paths;
    dialog.GetPaths(paths);
    if (paths.size() == 1 && wxFileName(paths[0]).GetExt().Lower() == "csv") {
        m_imagefile->SetValue(paths[0]);
        return;
    }
    for (const wxString &path : paths) {
        if (wxFileName(path).GetExt().Lower() == "csv")
            queue_list(path);
        else
            queue_file(path, wxEmptyString);
    }
}

void my_panel_write::on_add(wxCommandEvent &) {
    const wxString path = m_imagefile->GetValue();
    if (path.empty()) return;
    bool queued;
    if (wxFileName(path).GetExt().Lower() == "csv") {
        queued = queue_list(path);
    } else {
        queued = queue_file(path, m_name->GetValue());
    }
    if (!queued) return;
    m_imagefile->Clear();
    m_name->Clear();
}

void my_panel_write::start_first() {
    const writer_queue_entry &first = m_entries.front();
    log_line(m_link.task->log()->sink(), first.image_file.c_str());
    m_link.run(m_mailbox, card_job_add(first.image_file, first.name, m_link.half->command_display,
                                       m_verify->GetValue(), m_dat->GetPath().utf8_string(),
                                       m_name_by_dat->GetValue()));
}

void my_panel_write::on_start(wxCommandEvent &) {
    if (m_queue->IsEmpty() || m_link.task->busy()) return;
    start_first();
}

void my_panel_write::on_help(wxCommandEvent &) {
    m_helptext->SetValue(beside_program_text("task_help.txt"));
}

void my_panel_write::on_done(wxCommandEvent &event) {
    m_link.task->thread_close();
    if (event.GetId() == CARD_EVENT_ADD_OK) {
        m_queue->Delete(0);
        m_entries.erase(m_entries.begin());
        if (!m_queue->IsEmpty()) {
            start_first();
            return;
        }
    }
    update_enabled();
    m_link.relist();
}
