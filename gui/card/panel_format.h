// Layout of the "formatter" page. Handlers do nothing here; my_panel_format
// gives them their behaviour.
#pragma once

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

class panel_format : public wxPanel {
public:
    explicit panel_format(wxWindow *parent);

protected:
    virtual void on_language(wxCommandEvent &) {}
    virtual void on_format(wxCommandEvent &) {}
    virtual void on_backup(wxCommandEvent &) {}
    virtual void on_restore(wxCommandEvent &) {}

    wxRadioButton *m_english;
    wxRadioButton *m_japanese;
    wxTextCtrl *m_notice;
    wxButton *m_format;
    wxButton *m_backup;
    wxButton *m_restore;
};
