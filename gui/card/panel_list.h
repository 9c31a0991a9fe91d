// Layout of the "imagelist" page; my_panel_list gives the handlers behaviour.
// The image list is a plain list box so that accessibility tools can read
// and click its rows.
#pragma once

#include <wx/button.h>
#include <wx/filepicker.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

class panel_list_base : public wxPanel {
public:
    explicit panel_list_base(wxWindow *parent);

protected:
    virtual void on_read(wxCommandEvent &) {}
    virtual void on_crc(wxCommandEvent &) {}
    virtual void on_check(wxCommandEvent &) {}
    virtual void on_extract(wxCommandEvent &) {}
    virtual void on_update_config(wxCommandEvent &) {}
    virtual void on_update_order(wxCommandEvent &) {}
    virtual void on_help(wxCommandEvent &) {}
    virtual void on_dat_changed(wxFileDirPickerEvent &) {}
    virtual void on_list_mouse(wxMouseEvent &event) { event.Skip(); }
    virtual void on_list_key(wxKeyEvent &event) { event.Skip(); }
    // The list box's own selection changed (keyboard, accessibility tools).
    virtual void on_list_select(wxCommandEvent &) {}

    wxListBox *m_list;
    wxStaticText *m_capacity;
    wxStaticText *m_count;
    wxButton *m_read;
    wxButton *m_crc;
    wxButton *m_check;
    wxButton *m_extract;
    wxButton *m_update_config;
    wxButton *m_update_order;
    wxButton *m_help;
    wxButton *m_update_name_config;  // kept hidden and disabled
    wxTextCtrl *m_helptext;
    wxFilePickerCtrl *m_dat;  // a DAT whose verdicts the rows show; empty for none
};
