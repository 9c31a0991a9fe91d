#include "gui/card/beside_program.h"

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

wxString beside_program(const wxString &name) {
    wxFileName path(wxStandardPaths::Get().GetExecutablePath());
    path.SetFullName(name);
    return path.GetFullPath();
}

wxString beside_program_text(const wxString &name) {
    // A missing file shows as an empty text, not as a message box.
    wxLogNull quiet;
    wxFFile file(beside_program(name), "rb");
    wxString text;
    if (!file.IsOpened() || !file.ReadAll(&text, wxConvUTF8)) return wxString();
    return text;
}
