// The configuration window of the image list page: shows the item selected
// last and builds the change request from the right panel.
#pragma once

#include "gui/shell/my_config.h"
#include "gui/card/config_form.h"

class my_config_form : public config_form {
public:
    my_config_form(wxWindow *parent, my_config *config, const kind_pictures &pictures);

    // item: the row selected last, or nullptr; selected: how many rows.
    void show_item(const card_list_row *item, int selected);
    config_change change() const { return m_right->change(); }
    wxString name() const { return m_right->name(); }
    my_panel_config *right() const { return m_right; }
    // Position, size and hide-left into the settings store.
    void store_settings();

private:
    void on_hide_left(wxCommandEvent &event) override;
    void apply_hide_left();

    my_config *m_config;
};
