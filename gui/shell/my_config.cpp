#include "gui/shell/my_config.h"

#include <wx/convauto.h>
#include <wx/filename.h>
#include <wx/filepicker.h>

wxString config_file_path(const wxString &folder) {
    wxString path = folder;
    if (!path.EndsWith("/") && !path.EndsWith("\\")) path += "/";
    return path + "oru.cfg";
}

bool geometry_storable(long x, long y, long width, long height) {
    for (long v : {x, y, width, height})
        if (static_cast<unsigned long>(v) > GEOMETRY_LIMIT) return false;
    return true;
}

my_config::my_config() : my_config(wxGetCwd()) {}

my_config::my_config(const wxString &folder)
    : wxFileConfig(wxEmptyString, wxEmptyString, config_file_path(folder), wxEmptyString,
                   wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE, wxConvAuto()) {}

bool my_config::store_long(const wxString &key, long value) {
    if (ReadLong(key, 0) != value) Write(key, value);
    return true;
}

bool my_config::store_string(const wxString &key, const wxString &text) {
    if (Read(key, wxString()) != text) Write(key, text);
    return true;
}

bool my_config::store_bool(const wxString &key, bool flag, bool unset) {
    if (ReadBool(key, unset) != flag) Write(key, flag);
    return true;
}

bool my_config::store_geometry(const wxString &prefix, long x, long y, long width, long height) {
    if (!geometry_storable(x, y, width, height)) return false;
    store_long(prefix + ".x", x);
    store_long(prefix + ".y", y);
    store_long(prefix + ".width", width);
    store_long(prefix + ".height", height);
    return true;
}

void my_config::load_picker_path(wxFilePickerCtrl *picker, const wxString &key) {
    picker->SetPath(Read(key, wxString()));
}

void my_config::store_picker_dir(wxFilePickerCtrl *picker, const wxString &key) {
    wxString dir = wxFileName(picker->GetPath()).GetPath(wxPATH_GET_VOLUME);
    if (!dir.empty()) store_string(key, dir);
}
