#include "gui/card/path_choice.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>

#include <deque>

namespace {

std::deque<wxString> answers;  // window thread only

}  // namespace

wxString path_choose(wxWindow *parent, path_kind kind, const wxString &title,
                     const wxString &name, const wxString &wildcard) {
    if (!answers.empty()) {
        wxString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    if (kind == PATH_FOLDER) {
        wxDirDialog dialog(parent, title, wxEmptyString, wxDD_DIR_MUST_EXIST);
        return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
    }
    wxFileDialog dialog(parent, title, wxEmptyString, name, wildcard,
                        kind == PATH_SAVE_FILE ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT
                                               : wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

void path_choice_answer(const std::vector<wxString> &list) {
    answers.assign(list.begin(), list.end());
}
