#include "gui/device/page_layout.h"

#include <wx/statline.h>

wxBoxSizer *page_group(wxWindow *page, wxSizer *column, const wxString &title) {
    column->Add(new wxStaticLine(page), 0, wxEXPAND | wxTOP, 4);
    column->Add(new wxStaticText(page, wxID_ANY, title), 0, wxALL, 2);
    auto *group = new wxBoxSizer(wxVERTICAL);
    column->Add(group, 0, wxEXPAND | wxLEFT, 8);
    return group;
}

wxStaticText *page_label(wxWindow *page, wxSizer *row, const wxString &text) {
    auto *label = new wxStaticText(page, wxID_ANY, text);
    row->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    return label;
}

void page_field(wxSizer *row, wxStaticText *label, wxWindow *field, int proportion) {
    field->SetName(wxStripMenuCodes(label->GetLabel()));
    row->Add(field, proportion, wxALIGN_CENTER_VERTICAL | wxALL, 2);
}
