// A viewer window: a small top-level frame holding one canvas. Its close box
// only hides it; it is destroyed with the main device page and then stores
// its position and size under its key prefix ("com.fbview", "com.scview").
//
// Threading: window thread only.
#pragma once

#include <wx/frame.h>

#include "gui/shell/my_config.h"
#include "gui/device/mycanvas.h"

class myframe_canvas : public wxFrame {
public:
    // Created hidden at <prefix>.x / .y (default 300, 32) with the given client
    // size; the canvas is made by the caller with this frame as its parent.
    myframe_canvas(wxWindow *parent, my_config *config, const wxString &prefix,
                   const wxString &title, const wxSize &client);
    ~myframe_canvas() override;

    void set_canvas(mycanvas *canvas);
    mycanvas *canvas() const { return m_canvas; }
    // The window and the canvas take the picture's size.
    void fit_to(const wxSize &client);

private:
    void on_close(wxCloseEvent &event);

    my_config *m_config;
    wxString m_prefix;
    mycanvas *m_canvas = nullptr;
};
