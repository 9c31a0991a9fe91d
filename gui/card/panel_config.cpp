#include "gui/card/panel_config.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/card/config_change.h"

panel_config::panel_config(wxWindow *parent, const kind_pictures &pictures, bool with_checks)
    : wxPanel(parent, wxID_ANY) {
    auto *column = new wxBoxSizer(wxVERTICAL);
    auto *name_row = new wxBoxSizer(wxHORIZONTAL);
    name_row->Add(new wxStaticText(this, wxID_ANY, "name"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    m_name = new wxTextCtrl(this, wxID_ANY);
    name_row->Add(m_name, 1, wxALL, 2);
    column->Add(name_row, 0, wxEXPAND);

    auto *kinds = new wxBoxSizer(wxHORIZONTAL);
    m_cd_kind = new wxBitmapComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, 0, nullptr, wxCB_READONLY);
    m_rom_kind = new wxBitmapComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                      wxDefaultSize, 0, nullptr, wxCB_READONLY);
    m_cd_kind->Append("icon unchanged", pictures.cd[0]);
    for (int i = 0; i < CD_KIND_COUNT; i++) m_cd_kind->Append(cd_kinds[i].name, pictures.cd[i + 1]);
    m_rom_kind->Append("icon unchanged", pictures.hucard[0]);
    for (int i = 0; i + 1 < HUCARD_KIND_COUNT; i++)
        m_rom_kind->Append(hucard_kinds[i].name, pictures.hucard[i + 1]);
    m_cd_kind->SetSelection(2);
    m_rom_kind->SetSelection(2);
    m_picture = new wxStaticBitmap(this, wxID_ANY, pictures.ok ? pictures.cd[2] : wxBitmap(26, 24));
    kinds->Add(m_cd_kind, 1, wxALL, 2);
    kinds->Add(m_rom_kind, 1, wxALL, 2);
    kinds->Add(m_picture, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    column->Add(kinds, 0, wxEXPAND);

    for (int row = 0; row < CONFIG_SETTING_COUNT; row++) {
        const config_setting &s = config_settings[config_row_setting[row]];
        m_rows[row] = new config_selection(this, pictures.setting[row], s.name, s.choices, with_checks);
        column->Add(m_rows[row], 0, wxEXPAND);
    }
    SetSizer(column);

    m_cd_kind->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent &e) { on_cd_kind(e); });
    m_rom_kind->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent &e) { on_rom_kind(e); });
}
