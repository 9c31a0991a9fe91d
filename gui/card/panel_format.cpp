#include "gui/card/panel_format.h"

#include <wx/sizer.h>

panel_format::panel_format(wxWindow *parent) : wxPanel(parent, wxID_ANY) {
    auto *column = new wxBoxSizer(wxVERTICAL);
    auto *languages = new wxBoxSizer(wxHORIZONTAL);
    m_english = new wxRadioButton(this, wxID_ANY, "English", wxDefaultPosition, wxDefaultSize,
                                  wxRB_GROUP);
    m_japanese = new wxRadioButton(this, wxID_ANY, wxString::FromUTF8("にほんご"));
    languages->Add(m_english, 0, wxALL, 4);
    languages->Add(m_japanese, 0, wxALL, 4);
    column->Add(languages);
    m_notice = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY);
    column->Add(m_notice, 1, wxEXPAND | wxALL, 4);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    m_format = new wxButton(this, wxID_ANY, "&format");
    m_backup = new wxButton(this, wxID_ANY, wxString::FromUTF8("&backup…"));
    m_restore = new wxButton(this, wxID_ANY, wxString::FromUTF8("&restore…"));
    for (wxButton *b : {m_format, m_backup, m_restore}) buttons->Add(b, 0, wxALL, 4);
    column->Add(buttons);
    SetSizer(column);

    m_english->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent &e) { on_language(e); });
    m_japanese->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent &e) { on_language(e); });
    m_format->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_format(e); });
    m_backup->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_backup(e); });
    m_restore->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_restore(e); });
}
