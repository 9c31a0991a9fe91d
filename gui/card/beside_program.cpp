#include "gui/card/beside_program.h"

#include <cstdio>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

wxString beside_program(const wxString &name) {
    wxFileName path(wxStandardPaths::Get().GetExecutablePath());
    path.SetFullName(name);
    if (path.FileExists()) return path.GetFullPath();
    // Installed: the program in <prefix>/bin, its files in <prefix>/share/vellumark.
    wxFileName installed(path);
    installed.RemoveLastDir();
    installed.AppendDir("share");
    installed.AppendDir("vellumark");
    if (installed.FileExists()) return installed.GetFullPath();
    // Said on standard error so a broken install is found without a box per
    // page; the page itself shows the gap.
    fprintf(stderr, "vellumark: %s is neither beside the program nor in %s\n",
            static_cast<const char *>(name.utf8_str()),
            static_cast<const char *>(installed.GetPath().utf8_str()));
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
