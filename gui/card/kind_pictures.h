// Pictures cut from "icon.bin" beside the program: a PNG of exactly 96 x 112
// pixels in 16 x 16 cells. Kind pictures are 13 x 12 from a cell's corner,
// shown doubled; setting pictures are 8 x 8 from the strip below row 96.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>

#include "card/layout/disc_kind.h"

struct kind_pictures {
    bool ok = false;  // false: the file is missing or of the wrong size
    wxBitmap cd[CD_KIND_COUNT + 1];          // by kind index, 0 "icon unchanged"
    wxBitmap hucard[HUCARD_KIND_COUNT];      // indexes 0..3
    wxBitmap setting[CONFIG_SETTING_COUNT];  // window row order
};

kind_pictures kind_pictures_load();
