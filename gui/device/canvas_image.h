// Pictures of the viewers: the grey checkerboard behind them and the "over"
// blend of a half-transparent picture onto it.
#pragma once

#include <wx/image.h>

enum { CHECKER_TILE = 32, CHECKER_LIGHT = 127, CHECKER_DARK = 127 ^ 0x40 };

// Opaque; tiles of 32 x 32, the top-left one light, the last row and column cut
// to the size.
wxImage checkerboard(int width, int height);
// Black at alpha 127 everywhere: what the viewers show before any line came.
wxImage empty_picture(int width, int height);
// The background with the picture drawn over it by the picture's alpha; both
// of the same size.
wxImage compose_over(const wxImage &background, const wxImage &picture);
