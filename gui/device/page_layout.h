// Small layout helpers shared by the layout classes of the pages.
#pragma once

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

// A group of a page: a horizontal rule and a title above its controls.
wxBoxSizer *page_group(wxWindow *page, wxSizer *column, const wxString &title);
// A field's label, created and placed right before the field so that keyboard
// navigation, mnemonics and screen readers meet the label first.
wxStaticText *page_label(wxWindow *page, wxSizer *row, const wxString &text);
// The field after its label; named after the label for accessibility.
void page_field(wxSizer *row, wxStaticText *label, wxWindow *field, int proportion = 1);
// The page's progress bar (range 100) and its Stop button, in one row.
void page_progress_row(wxWindow *page, wxSizer *column, wxGauge **gauge, wxButton **stop);
