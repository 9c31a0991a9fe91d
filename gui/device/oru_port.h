// Layout of the device half's port row. Layout only; behaviour lives in
// my_oru_port.
#pragma once

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/panel.h>
#include <wx/stattext.h>

class oru_port : public wxPanel {
public:
    explicit oru_port(wxWindow *parent, wxWindowID id = wxID_ANY);

protected:
    wxStaticText *m_portname_label;
    // Offers the ports found on the machine, each with what it is, and takes
    // any typed name or path.
    wxComboBox *m_portname;
    wxButton *m_logclear;

    virtual void on_portname_dropdown(wxCommandEvent &event) { event.Skip(); }
    virtual void on_portname_chosen(wxCommandEvent &event) { event.Skip(); }
    virtual void on_logclear(wxCommandEvent &event) { event.Skip(); }
};
