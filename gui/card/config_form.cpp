#include "gui/card/config_form.h"

#include <wx/sizer.h>

namespace {

const int READ_ONLY_MIN_WIDTH = 40;

}  // namespace

config_form::config_form(wxWindow *parent, const kind_pictures &pictures)
    : wxFrame(parent, wxID_ANY, "game-specific configuration", wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE) {
    auto *column = new wxBoxSizer(wxVERTICAL);
    m_hide_left = new wxCheckBox(this, wxID_ANY, "hide left side");
    column->Add(m_hide_left, 0, wxALL, 4);
    auto *panels = new wxBoxSizer(wxHORIZONTAL);
    m_left = new my_panel_config(this, pictures, false);
    m_right = new my_panel_config(this, pictures, true);
    m_left->Disable();
    // The editable panel gets the room it needs first; the read-only one
    // beside it takes what is left and may be cut.
    m_left->SetMinSize(wxSize(READ_ONLY_MIN_WIDTH, -1));
    panels->Add(m_left, 1, wxEXPAND | wxALL, 2);
    panels->Add(m_right, 0, wxEXPAND | wxALL, 2);
    column->Add(panels, 1, wxEXPAND);
    SetSizer(column);
    SetMinClientSize(column->CalcMin());
    m_hide_left->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent &e) { on_hide_left(e); });
}
