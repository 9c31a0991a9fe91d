// Layout of one configuration panel: name, the two kind choosers with the
// chosen kind's picture, and the eight setting rows.
#pragma once

#include <wx/bmpcbox.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>

#include "gui/card/config_selection.h"
#include "gui/card/kind_pictures.h"

class panel_config : public wxPanel {
public:
    // with_checks: the setting rows carry a check box (the editable panel).
    panel_config(wxWindow *parent, const kind_pictures &pictures, bool with_checks);

protected:
    virtual void on_cd_kind(wxCommandEvent &) {}
    virtual void on_rom_kind(wxCommandEvent &) {}

    wxTextCtrl *m_name;
    wxBitmapComboBox *m_cd_kind;
    wxBitmapComboBox *m_rom_kind;
    wxStaticBitmap *m_picture;
    config_selection *m_rows[CONFIG_SETTING_COUNT];
};
