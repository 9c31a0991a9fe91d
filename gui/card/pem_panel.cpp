#include "gui/card/pem_panel.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

pem_panel::pem_panel(wxWindow *parent) : wxPanel(parent, wxID_ANY) {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, "driveletter"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_driveletter = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxSize(320, -1));
    row->Add(m_driveletter, 1, wxALL, 4);
    m_gauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(160, -1));
    row->Add(m_gauge, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    m_stop = new wxButton(this, wxID_ANY, "Stop");
    row->Add(m_stop, 0, wxALL, 4);
    m_logclear = new wxButton(this, wxID_ANY, "logclear");
    row->Add(m_logclear, 0, wxALL, 4);
    SetSizer(row);

    m_driveletter->Bind(wxEVT_CHOICE, [this](wxCommandEvent &e) { on_driveletter(e); });
    m_logclear->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_logclear(e); });
    m_stop->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_stop(e); });
}
