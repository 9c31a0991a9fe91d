// Shared by the card pages' layouts: the least sizes of their lists (enough rows
// and width to read entries without enlarging the window first) and the DAT
// file field of the list and writer pages.
#pragma once

#include <wx/filepicker.h>

// The DAT file field of the list and writer pages.
inline wxFilePickerCtrl *dat_picker(wxWindow *parent) {
    return new wxFilePickerCtrl(parent, wxID_ANY, wxEmptyString, "DAT file",
                                "DAT files (*.dat;*.xml)|*.dat;*.xml|all files|*", wxDefaultPosition,
                                wxDefaultSize, wxFLP_USE_TEXTCTRL | wxFLP_SMALL | wxFLP_OPEN | wxFLP_FILE_MUST_EXIST);
}

constexpr int LIST_MIN_HEIGHT = 120;
constexpr int IMAGE_LIST_MIN_WIDTH = 320;
constexpr int BKRAM_LIST_MIN_WIDTH = 180;
