// Layout of the "game-specific configuration" window: two panels side by
// side (the left one shows the stored values) and "hide left side".
#pragma once

#include <wx/checkbox.h>
#include <wx/frame.h>

#include "gui/card/my_panel_config.h"

class config_form : public wxFrame {
public:
    config_form(wxWindow *parent, const kind_pictures &pictures);
    wxWindow *editable_panel() const { return m_right; }

protected:
    virtual void on_hide_left(wxCommandEvent &) {}

    wxCheckBox *m_hide_left;
    my_panel_config *m_left;
    my_panel_config *m_right;
};
