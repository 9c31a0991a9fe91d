// The question before a file the user has not just chosen to replace is
// written over: an existing target is replaced only after a Yes.
//
// Threading: window thread only (it shows a modal dialog).
#pragma once

#include <wx/string.h>
#include <wx/window.h>

// True when nothing is at path, or the user answered Yes to replacing it.
bool replace_allowed(wxWindow *parent, const wxString &path);
