#include "gui/card/my_panel_config.h"

my_panel_config::my_panel_config(wxWindow *parent, const kind_pictures &pictures, bool with_checks)
    : panel_config(parent, pictures, with_checks), m_pictures(pictures) {}

void my_panel_config::show_item(const card_list_row &item) {
    m_name->SetValue(wxString::FromUTF8(item.name));
    for (int i = 0; i < CONFIG_SETTING_COUNT; i++) m_rows[i]->set_value(config_row_value(item.config, i));
    const int kind = static_cast<int>(item.config & 0xFF);
    if (item.flags & DISC_FLAG_HUCARD) {
        if (kind < static_cast<int>(m_rom_kind->GetCount())) m_rom_kind->SetSelection(kind);
        if (m_pictures.ok) m_picture->SetBitmap(m_pictures.hucard[m_rom_kind->GetSelection()]);
    } else {
        if (kind < static_cast<int>(m_cd_kind->GetCount())) m_cd_kind->SetSelection(kind);
        if (m_pictures.ok) m_picture->SetBitmap(m_pictures.cd[m_cd_kind->GetSelection()]);
    }
}

config_change my_panel_config::change() const {
    int values[CONFIG_SETTING_COUNT];
    for (int i = 0; i < CONFIG_SETTING_COUNT; i++) values[i] = m_rows[i]->value();
    return config_change_pack(values, m_cd_kind->GetSelection(), m_rom_kind->GetSelection());
}

void my_panel_config::on_cd_kind(wxCommandEvent &) {
    if (m_pictures.ok) m_picture->SetBitmap(m_pictures.cd[m_cd_kind->GetSelection()]);
}

void my_panel_config::on_rom_kind(wxCommandEvent &) {
    if (m_pictures.ok) m_picture->SetBitmap(m_pictures.hucard[m_rom_kind->GetSelection()]);
}
