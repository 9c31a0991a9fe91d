// The file or folder the user picks in the system's dialog. The system's
// file choosers take no path set from outside while they are not shown, so
// tests answer them through path_choice_answer instead.
#pragma once

#include <vector>

#include <wx/string.h>
#include <wx/window.h>

enum path_kind { PATH_OPEN_FILE, PATH_SAVE_FILE, PATH_FOLDER };

// Empty when the user cancels. name: the file name offered (saving).
wxString path_choose(wxWindow *parent, path_kind kind, const wxString &title,
                     const wxString &name, const wxString &wildcard);

// For tests: the next choices are answered with these paths in turn, without
// a dialog (an empty one cancels).
void path_choice_answer(const std::vector<wxString> &answers);
