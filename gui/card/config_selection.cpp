#include "gui/card/config_selection.h"

#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "card/layout/disc_kind.h"

config_selection::config_selection(wxWindow *parent, const wxBitmap &picture, const char *title,
                                   const char *const choices[4], bool with_check)
    : wxPanel(parent, wxID_ANY) {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    if (with_check) {
        m_check = new wxCheckBox(this, wxID_ANY, wxEmptyString);
        m_check->SetValue(true);
        row->Add(m_check, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    }
    row->Add(new wxStaticBitmap(this, wxID_ANY, picture.IsOk() ? picture : wxBitmap(8, 8)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 2);
    auto *text = new wxStaticText(this, wxID_ANY, title, wxDefaultPosition, wxSize(170, -1));
    row->Add(text, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    m_radios.push_back(new wxRadioButton(this, wxID_ANY, "common", wxDefaultPosition,
                                         wxDefaultSize, wxRB_GROUP));
    for (int i = 0; i < 4 && choices[i]; i++)
        m_radios.push_back(new wxRadioButton(this, wxID_ANY, choices[i]));
    for (wxRadioButton *r : m_radios) row->Add(r, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    m_selection_num = static_cast<int>(m_radios.size());
    SetSizer(row);
}

int config_selection::value() const {
    if (m_check && !m_check->GetValue()) return CONFIG_SETTING_KEEP;
    for (int k = 0; k < m_selection_num; k++)
        if (m_radios[k]->GetValue()) return k;
    return CONFIG_SETTING_KEEP;
}

void config_selection::set_value(int v) {
    m_radios[v >= 0 && v < m_selection_num ? v : 0]->SetValue(true);
}
