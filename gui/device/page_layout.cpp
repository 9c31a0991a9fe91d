#include "gui/device/page_layout.h"

#include <wx/statline.h>

static constexpr int FIELD_MIN_WIDTH = 80;

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
    // A stretching field may also shrink: a chooser's longest entry ("Generic
    // ROM, System Card V1 or V2") would otherwise push the buttons beside it
    // out of a narrow window.
    if (proportion > 0) field->SetMinSize(wxSize(FIELD_MIN_WIDTH, -1));
    row->Add(field, proportion, wxALIGN_CENTER_VERTICAL | wxALL, 2);
}

void page_progress_row(wxWindow *page, wxSizer *column, wxGauge **gauge, wxButton **stop) {
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    *gauge = new wxGauge(page, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL);
    row->Add(*gauge, 1, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    *stop = new wxButton(page, wxID_ANY, "s&top");
    row->Add(*stop, 0, wxALL, 2);
    column->Add(row, 0, wxEXPAND);
}
