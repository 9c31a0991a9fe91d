// Fills a page's saves view (the entries list and its status line) from what
// a list job found. Window thread only; both halves' pages share it.
#pragma once

#include <wx/listbox.h>
#include <wx/stattext.h>

#include "gui/shell/save_jobs.h"

inline void show_save_view(wxListBox *entries, wxStaticText *status, const wxString &status_format,
                           const save_place &place, const save_view &view) {
    entries->Clear();
    for (const save_entry &e : view.listing.entries) entries->Append(wxString::FromUTF8(save_entry_row(e)));
    status->SetLabel(wxString::Format(status_format, wxString::FromUTF8(save_view_status(place, view))));
}
