// Layout of the "writer" page; my_panel_write gives the handlers behaviour.
#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filepicker.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

class panel_write : public wxPanel {
public:
    explicit panel_write(wxWindow *parent);

protected:
    virtual void on_choose(wxCommandEvent &) {}
    virtual void on_add(wxCommandEvent &) {}
    virtual void on_start(wxCommandEvent &) {}
    virtual void on_help(wxCommandEvent &) {}
    virtual void on_remove(wxCommandEvent &) {}
    virtual void on_queue_key(wxKeyEvent &event) { event.Skip(); }

    wxTextCtrl *m_imagefile;
    wxButton *m_choose;
    wxTextCtrl *m_name;
    wxButton *m_add;
    wxListBox *m_queue;
    wxButton *m_start;
    wxButton *m_help;
    wxButton *m_remove;
    wxCheckBox *m_verify;
    wxTextCtrl *m_helptext;
    wxFilePickerCtrl *m_dat;  // a DAT each input is checked against as it is added
    wxCheckBox *m_name_by_dat;
};
