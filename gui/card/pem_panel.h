// Layout of the card half's drive row: the drive chooser, the log-clear
// button and Stop. my_pem_panel gives the handlers behaviour.
#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/panel.h>

class pem_panel : public wxPanel {
public:
    explicit pem_panel(wxWindow *parent);

protected:
    virtual void on_driveletter(wxCommandEvent &) {}
    virtual void on_logclear(wxCommandEvent &) {}
    virtual void on_stop(wxCommandEvent &) {}

    wxChoice *m_driveletter;
    wxButton *m_logclear;
    wxButton *m_stop;
    wxGauge *m_gauge;
};
