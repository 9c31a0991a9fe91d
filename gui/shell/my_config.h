// The settings store: one key file "oru.cfg" in the working directory, dotted
// keys, values written only when they change so that an unchanged session
// leaves the file as it was.
//
// Threading: window thread only.
#pragma once

#include <wx/fileconf.h>
#include <wx/string.h>

class wxFilePickerCtrl;
class wxDirPickerCtrl;

// "<folder>/oru.cfg", without a second separator when the folder already ends
// in one.
wxString config_file_path(const wxString &folder);

// Geometry components above this, taken as unsigned numbers, are not stored: a
// minimised window reports far negative positions.
enum { GEOMETRY_LIMIT = 19999 };
bool geometry_storable(long x, long y, long width, long height);

class my_config : public wxFileConfig {
public:
    // The working directory is taken once, here.
    my_config();
    explicit my_config(const wxString &folder);

    bool store_long(const wxString &key, long value);
    bool store_string(const wxString &key, const wxString &text);
    // unset: what reading the key gives while it is absent (a flag that is
    // on for a new user passes true, so that "off" is written).
    bool store_bool(const wxString &key, bool flag, bool unset = false);
    // prefix.x, .y, .width, .height, in that order, or nothing at all.
    bool store_geometry(const wxString &prefix, long x, long y, long width, long height);
    void load_picker_path(wxFilePickerCtrl *picker, const wxString &key);
    // The picker's folder (volume included); nothing while the picker is empty.
    void store_picker_dir(wxFilePickerCtrl *picker, const wxString &key);
};
