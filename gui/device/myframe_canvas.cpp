#include "gui/device/myframe_canvas.h"

#include <wx/sizer.h>

myframe_canvas::myframe_canvas(wxWindow *parent, my_config *config, const wxString &prefix,
                               const wxString &title, const wxSize &client)
    : wxFrame(parent, wxID_ANY, title,
              wxPoint(config->ReadLong(prefix + ".x", 300), config->ReadLong(prefix + ".y", 32)),
              wxDefaultSize, wxCAPTION | wxCLOSE_BOX | wxRESIZE_BORDER | wxFRAME_TOOL_WINDOW),
      m_config(config),
      m_prefix(prefix) {
    SetClientSize(client);
    SetSizer(new wxBoxSizer(wxVERTICAL));
    Bind(wxEVT_CLOSE_WINDOW, &myframe_canvas::on_close, this);
}

myframe_canvas::~myframe_canvas() {
    wxPoint pos = GetPosition();
    wxSize size = GetSize();
    m_config->store_geometry(m_prefix, pos.x, pos.y, size.GetWidth(), size.GetHeight());
}

void myframe_canvas::set_canvas(mycanvas *canvas) {
    m_canvas = canvas;
    GetSizer()->Add(canvas, 1, wxEXPAND);
    Layout();
}

void myframe_canvas::fit_to(const wxSize &client) {
    m_canvas->SetMinClientSize(client);
    m_canvas->SetClientSize(client);
    SetClientSize(client);
    Layout();
}

void myframe_canvas::on_close(wxCloseEvent &event) {
    if (!event.CanVeto()) {
        event.Skip();
        return;
    }
    event.Veto();
    Hide();
}
