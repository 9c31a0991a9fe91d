// The mouse wheel over a chooser of a scrolled page: it changes the chooser
// only while the chooser has the keyboard focus; otherwise it scrolls the
// page, so that a user scrolling down the page does not change a setting by
// passing over it.
#pragma once

#include <wx/scrolwin.h>

// Applies to every chooser on the page, nested ones too.
void choice_wheel_scrolls_page(wxScrolledWindow *page);
