#include "app/my_form_controlpanel.h"

#include <algorithm>

#include <wx/msgdlg.h>
#include <wx/scrolwin.h>
#include <wx/settings.h>

#include "gui/card/my_pem_panel.h"
#include "gui/device/my_oru_port.h"

namespace {

// Pages below this belong to the device half.
constexpr int FIRST_CARD_PAGE = 2;

}  // namespace

my_form_controlpanel::my_form_controlpanel(wxWindow *parent, my_config *config)
    : form_controlpanel(parent), m_config(config) {
    auto view = std::make_shared<window_log_view>(m_log);
    m_device_log = std::make_shared<window_log>(view);
    m_card_log = std::make_shared<window_log>(view);

    Move(m_config->ReadLong("control_panel.x", 32), m_config->ReadLong("control_panel.y", 32));
    SetSize(m_config->ReadLong("control_panel.width", 300), m_config->ReadLong("control_panel.height", 400));

    // Each half's row adds its pages to m_notebook (the card's from page 2 on);
    // the page switch shows the row of the half whose page is shown.
    m_port_row = new my_oru_port(this, m_notebook, config, m_device_log);
    m_drive_row = new my_pem_panel(this, m_notebook, config, m_card_log);

    long tab = m_config->ReadLong("control_panel.tab", 0);
    if (tab < 0 || tab >= static_cast<long>(m_notebook->GetPageCount())) tab = 0;
    m_notebook->SetSelection(static_cast<size_t>(tab));
    show_row_for(static_cast<int>(tab));
    m_drive_row->page_entered(static_cast<int>(tab));

    // Between the notebook and the log.
    m_sizer->Insert(1, m_port_row, 0, wxEXPAND | wxALL, 0);
    m_sizer->Insert(2, m_drive_row, 0, wxEXPAND | wxALL, 0);
    fit_content();

    m_log->AppendText(CONTROL_PANEL_VERSION_LINE);
    Bind(wxEVT_CLOSE_WINDOW, &my_form_controlpanel::on_close, this);
    m_port_row->task()->on_worker_ended([this] { close_if_pending(); });
    m_drive_row->task()->on_worker_ended([this] { close_if_pending(); });
}

my_form_controlpanel::~my_form_controlpanel() {
    // Workers may outlive the frame; from here on their text goes nowhere.
    m_device_log->cut();  // the view both halves share
}

wxWindow *my_form_controlpanel::drive_row() const { return m_drive_row; }

void my_form_controlpanel::fit_content() {
    // Every page gets its full width; pages that scroll vertically may be
    // shorter than their content, the others get their full height too.
    wxSize page_need(0, 0);
    for (size_t i = 0; i < m_notebook->GetPageCount(); i++) {
        wxWindow *page = m_notebook->GetPage(i);
        wxSize need = page->GetSizer() ? page->GetSizer()->CalcMin() : page->GetBestSize();
        if (dynamic_cast<wxScrolledWindow *>(page) != nullptr) {
            need.x += wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, page);
            need.y = SCROLLED_PAGE_MIN_HEIGHT;
        }
        page_need.IncTo(need);
    }
    m_notebook->SetMinSize(m_notebook->CalcSizeFromPage(page_need));
    // The toolkit allocates a hidden page's controls where they stand before
    // the page's first size event lays them out: placed at their unlaid
    // default size, a text's scrollbar does not fit. Lay each page out now
    // at the least size it will get.
    for (size_t i = 0; i < m_notebook->GetPageCount(); i++) {
        wxWindow *page = m_notebook->GetPage(i);
        page->SetSize(page_need);
        page->Layout();
    }
    // Only one of the two rows shows at a time; the frame fits either.
    const wxSize port = m_port_row->GetEffectiveMinSize();
    const wxSize drive = m_drive_row->GetEffectiveMinSize();
    const wxSize notebook = m_notebook->GetEffectiveMinSize();
    const wxSize log = m_log->GetEffectiveMinSize();
    const wxSize client(std::max({notebook.x, port.x, drive.x, log.x}),
                        notebook.y + std::max(port.y, drive.y) + log.y);
    SetMinClientSize(client);
    // A stored or default size smaller than that grows to it; a larger one is kept.
    wxSize now = GetClientSize();
    now.IncTo(client);
    SetClientSize(now);
    Layout();
}

void my_form_controlpanel::show_row_for(int page) {
    bool device = page < FIRST_CARD_PAGE;
    m_port_row->Show(device);
    m_drive_row->Show(!device);
}

void my_form_controlpanel::on_notebook_page_changed(wxNotebookEvent &event) {
    // Pages of the card half may hold notebooks of their own.
    if (event.GetEventObject() == m_notebook) {
        show_row_for(m_notebook->GetSelection());
        m_drive_row->page_entered(m_notebook->GetSelection());
        Layout();
    }
    event.Skip();
}

bool my_form_controlpanel::worker_running() const {
    return m_port_row->task()->busy() || m_drive_row->task()->busy();
}

void my_form_controlpanel::close_if_pending() {
    // After the completion handler has finished with its page.
    if (m_closing && !worker_running()) CallAfter([this] { Close(); });
}

void my_form_controlpanel::wind_down_tasks() {
    m_port_row->task()->wind_down();
    m_drive_row->task()->wind_down();
    // A firmware write is waited for, never cut between its pages.
    if (!m_port_row->task()->writing_firmware()) m_port_row->task()->stop();
    m_drive_row->task()->stop();
}

void my_form_controlpanel::begin_closing() {
    if (m_closing) return;
    if (m_port_row->task()->writing_firmware()) {
        int answer = wxMessageBox(
            "A firmware write is running and cannot stop safely in the middle of a page.\n"
            "Wait for it to finish and close the window then?",
            "Vellumark Control Panel", wxYES_NO | wxICON_QUESTION, this);
        if (answer != wxYES) return;
    }
    m_closing = true;
    wind_down_tasks();
    m_log->AppendText("Finishing the running command; the window closes when it has ended.\n");
    // The question runs its own event loop: the worker may have ended meanwhile.
    close_if_pending();
}

void my_form_controlpanel::on_close(wxCloseEvent &event) {
    if (worker_running() && event.CanVeto()) {
        begin_closing();
        event.Veto();
        return;
    }
    wxPoint pos = GetPosition();
    wxSize size = GetSize();
    m_config->store_geometry("control_panel", pos.x, pos.y, size.GetWidth(), size.GetHeight());
    m_config->store_long("control_panel.tab", m_notebook->GetSelection());
    // A close that cannot be refused: the tasks, destroyed with their pages,
    // wait for their workers, which are asked to end at their next safe point.
    wind_down_tasks();
    Destroy();
}
