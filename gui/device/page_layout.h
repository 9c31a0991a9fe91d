// Small layout helpers shared by the layout classes of the pages.
#pragma once

#include <wx/sizer.h>
#include <wx/stattext.h>

// A group of a page: a horizontal rule and a title above its controls.
wxBoxSizer *page_group(wxWindow *page, wxSizer *column, const wxString &title);
// A field's label, created and placed right before the field so that keyboard
// navigation, mnemonics and screen readers meet the label first.
wxStaticText *page_label(wxWindow *page, wxSizer *row, const wxString &text);
// The field after its label; named after the label for accessibility.
void page_field(wxSizer *row, wxStaticText *label, wxWindow *field, int proportion = 1);
