#include "gui/device/capture_folder.h"

#include <wx/filefn.h>
#include <wx/filename.h>

const char *capture_folder_problem(const wxString &folder) {
    if (wxFileExists(folder)) return "the path is file";
    if (!wxDirExists(folder) && !wxMkdir(folder, 0777)) return "mkdir error";
    if (!wxIsWritable(folder)) return "the path is not writable";
    return nullptr;
}
