#include "gui/shell/replace_ask.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>

bool replace_allowed(wxWindow *parent, const wxString &path) {
    if (!wxFileName::Exists(path)) return true;
    const wxString full = wxFileName(path).GetFullPath();
    wxMessageDialog ask(parent, full + " already exists.\nReplace it?", "replace file",
                        wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    return ask.ShowModal() == wxID_YES;
}
