#include "gui/card/my_pem_panel.h"

#include <algorithm>

#include <wx/filedlg.h>

#include "gui/shell/task_event.h"
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "gui/card/drive_entries.h"
#include "gui/card/my_panel_format.h"
#include "gui/card/my_panel_list.h"
#include "gui/card/my_panel_mmcbkram.h"
#include "gui/card/my_panel_write.h"

namespace {

const int SCAN_WARNING_MS = 1500;

}  // namespace

my_pem_panel::my_pem_panel(wxWindow *parent, wxNotebook *notebook, my_config *config,
                           window_log_ptr log)
    : pem_panel(parent), m_config(config), m_timer(this) {
    m_gauge_carrier = std::make_shared<window_gauge>(m_gauge);
    m_half = std::make_unique<card_half>(log, m_gauge_carrier, m_driveletter);
    m_task = &m_half->task;
    Bind(wxEVT_TIMER, &my_pem_panel::on_timer, this);
    Bind(EVT_TASK_DONE, &my_pem_panel::on_done, this);

    // Card image files need no rights, so the pages stay usable without them.
    if (!is_elevated()) {
        log->append("Vellumark Control Panel cannot manage CD images without administrator permission.\n");
        log->append("管理者権限がないので CD image 管理ができません.\n");
        log->append("Card image files can still be used: choose \"" OPEN_CARD_IMAGE_ENTRY
                    "\" in the drive list.\n");
    }

    card_page_link link{m_half.get(), m_task, config, [this] { m_list->list_up(); }};
    m_format = new my_panel_format(notebook, link);
    m_write = new my_panel_write(notebook, link);
    m_list = new my_panel_list(notebook, link);
    m_bkram = new my_panel_mmcbkram(notebook, link);
    notebook->AddPage(m_format, "formatter");
    notebook->AddPage(m_write, "writer");
    notebook->AddPage(m_list, "imagelist");
    notebook->AddPage(m_bkram, "backup RAM in MMC");
    m_task->state_listener_add([this] { update_enabled(); });
    update_enabled();
    fill_drives({}, "");
}

my_pem_panel::~my_pem_panel() {
    m_timer.Stop();
    m_gauge_carrier->cut();
    if (m_half->drive_chosen())
        m_config->store_string("control_panel.driveletter",
                               m_driveletter->GetString(m_driveletter->GetSelection()).Left(2));
}

void my_pem_panel::update_enabled() {
    m_driveletter->Enable(!m_task->busy());
    m_stop->Enable(m_task->stoppable());
}

void my_pem_panel::fill_drives(const std::vector<std::string> &texts, const std::string &choose) {
    m_driveletter->Clear();
    for (const std::string &t : texts) m_driveletter->Append(wxString::FromUTF8(t));
    const int chosen = drive_entry_preselect(texts, choose);
    m_driveletter->Append(OPEN_CARD_IMAGE_ENTRY);
    if (chosen >= 0) m_driveletter->SetSelection(chosen);
    m_half->drive_changed();
}

void my_pem_panel::page_entered(int index) {
    if (!m_list->IsEnabled() || m_task->busy()) return;
    m_list->clear();
    m_bkram->clear();
    m_pending = index == CARD_PAGE_IMAGELIST || index == CARD_PAGE_BKRAM ? index : -1;
    m_scanned = std::make_shared<std::vector<std::string>>();
    m_task->run({m_mailbox.get(), m_gauge_carrier}, card_drive_scan_job(m_scanned));
    m_timer.StartOnce(SCAN_WARNING_MS);
}

void my_pem_panel::on_timer(wxTimerEvent &) {
    m_task->log()->append("The initialization of the drive letter is taking a long time. Please "
                          "remove the memory card once\n");
    m_task->log()->append("ドライブレターの初期化に時間がかかっています.メモリカードを一旦外してください.\n");
}

void my_pem_panel::on_done(wxCommandEvent &) {
    m_timer.Stop();
    m_task->thread_close();
    fill_drives(*m_scanned, m_config->Read("control_panel.driveletter", wxEmptyString).utf8_string());
    const bool changed = !m_last_scan || *m_last_scan != *m_scanned;
    m_last_scan = *m_scanned;
    if (changed && m_scanned->empty()) m_task->log()->append("removable drive is not found\n");
    if (changed) explain_rights();
    list_pending();
}

void my_pem_panel::list_pending() {
    // Nothing chosen (no card found at first start): nothing to list.
    if (!m_half->drive_chosen()) return;
    if (m_pending == CARD_PAGE_IMAGELIST) m_list->list_up();
    if (m_pending == CARD_PAGE_BKRAM) m_bkram->reload();
}

void my_pem_panel::explain_rights() {
    drive_entry e;
    if (!drive_table_find(m_half->drive_letter(), &e)) return;
    const std::string text = drive_rights_advice(e);
    if (!text.empty()) m_task->log()->append((text + "\n").c_str());
}

bool my_pem_panel::open_card_image(const wxString &path) {
    const char letter = drive_table_register_image(m_task->log()->sink(), path.utf8_string().c_str());
    if (letter == 0) return false;
    std::vector<std::string> texts;
    for (unsigned i = 0; i + 1 < m_driveletter->GetCount(); i++)
        if (m_driveletter->GetString(i)[0] != letter)
            texts.push_back(m_driveletter->GetString(i).utf8_string());
    drive_entry e;
    drive_table_find(letter, &e);
    texts.push_back(drive_entry_text(e));
    std::sort(texts.begin(), texts.end());
    fill_drives(texts, std::string{letter, ':'});
    return true;
}

void my_pem_panel::on_driveletter(wxCommandEvent &) {
    const int chosen = m_driveletter->GetSelection();
    if (chosen != wxNOT_FOUND && m_driveletter->GetString(chosen) == OPEN_CARD_IMAGE_ENTRY) {
        wxFileDialog dialog(this, OPEN_CARD_IMAGE_ENTRY, wxEmptyString, wxEmptyString,
                            "card images (*.img;*.bin)|*.img;*.bin|all files|*",
                            wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK || !open_card_image(dialog.GetPath())) {
            m_driveletter->SetSelection(wxNOT_FOUND);
            m_half->drive_changed();
            return;
        }
    }
    m_half->drive_changed();
    explain_rights();
    m_list->clear();
    m_bkram->clear();
}

// The one window log: clears what either half wrote, shown or not.
void my_pem_panel::on_logclear(wxCommandEvent &) { m_task->log()->clear(); }

void my_pem_panel::on_stop(wxCommandEvent &) { m_task->stop(); }
