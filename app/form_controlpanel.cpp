#include "app/form_controlpanel.h"

form_controlpanel::form_controlpanel(wxWindow *parent, wxWindowID id, const wxString &title,
                                     const wxPoint &pos, const wxSize &size, long style)
    : wxFrame(parent, id, title, pos, size, style) {
    m_sizer = new wxBoxSizer(wxVERTICAL);

    m_notebook = new wxNotebook(this, wxID_ANY);
    m_notebook->SetMinSize(wxSize(300, 250));
    m_sizer->Add(m_notebook, 1, wxEXPAND | wxALL, 0);

    m_log = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxTE_MULTILINE | wxTE_READONLY | wxTE_WORDWRAP);
    m_log->SetMinSize(wxSize(300, 200));
    m_log->SetMaxSize(wxSize(-1, 200));
    m_sizer->Add(m_log, 1, wxEXPAND | wxALL, 0);

    SetSizer(m_sizer);
    Layout();

    Bind(wxEVT_SIZE, &form_controlpanel::on_size, this);
    m_notebook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &form_controlpanel::on_notebook_page_changed,
                     this);
}

form_controlpanel::~form_controlpanel() = default;
