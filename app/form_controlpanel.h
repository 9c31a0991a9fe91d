// Layout of the main frame: the notebook and the shared log.
// Layout only; behaviour lives in my_form_controlpanel.
#pragma once

#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

class form_controlpanel : public wxFrame {
public:
    form_controlpanel(wxWindow *parent, wxWindowID id = wxID_ANY,
                      const wxString &title = "Vellumark control panel",
                      const wxPoint &pos = wxDefaultPosition, const wxSize &size = wxSize(300, 400),
                      long style = wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL);
    ~form_controlpanel() override;

protected:
    wxNotebook *m_notebook;
    wxTextCtrl *m_log;
    wxBoxSizer *m_sizer;

    virtual void on_size(wxSizeEvent &event) { event.Skip(); }
    virtual void on_notebook_page_changed(wxNotebookEvent &event) { event.Skip(); }
};
