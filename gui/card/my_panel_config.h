// One configuration panel with behaviour: shows an item, reads the request.
#pragma once

#include "card/commands/card_list.h"
#include "gui/card/config_change.h"
#include "gui/card/panel_config.h"

class my_panel_config : public panel_config {
public:
    my_panel_config(wxWindow *parent, const kind_pictures &pictures, bool with_checks);

    void show_item(const card_list_row &item);
    config_change change() const;
    wxString name() const { return m_name->GetValue(); }
    wxTextCtrl *name_field() const { return m_name; }
    wxBitmapComboBox *cd_kind() const { return m_cd_kind; }
    wxBitmapComboBox *rom_kind() const { return m_rom_kind; }
    config_selection *row(int i) const { return m_rows[i]; }

private:
    void on_cd_kind(wxCommandEvent &event) override;
    void on_rom_kind(wxCommandEvent &event) override;

    const kind_pictures &m_pictures;  // the window's; outlives the panel
};
