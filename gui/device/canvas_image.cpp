#include "gui/device/canvas_image.h"

#include <cstring>

wxImage checkerboard(int width, int height) {
    wxImage image(width, height, false);
    unsigned char *rgb = image.GetData();
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            bool dark = ((x / CHECKER_TILE) + (y / CHECKER_TILE)) % 2 != 0;
            std::memset(rgb + 3 * (static_cast<size_t>(y) * width + x), dark ? CHECKER_DARK : CHECKER_LIGHT, 3);
        }
    return image;
}

wxImage empty_picture(int width, int height) {
    wxImage image(width, height, true);
    image.InitAlpha();
    std::memset(image.GetAlpha(), 127, static_cast<size_t>(width) * height);
    return image;
}

wxImage compose_over(const wxImage &background, const wxImage &picture) {
    wxImage out = background.Copy();
    const int n = out.GetWidth() * out.GetHeight();
    unsigned char *dst = out.GetData();
    const unsigned char *src = picture.GetData();
    const unsigned char *alpha = picture.HasAlpha() ? picture.GetAlpha() : nullptr;
    for (int i = 0; i < n; i++) {
        int a = alpha != nullptr ? alpha[i] : 255;
        for (int c = 0; c < 3; c++) {
            int under = dst[3 * i + c];
            dst[3 * i + c] = static_cast<unsigned char>((src[3 * i + c] * a + under * (255 - a) + 127) / 255);
        }
    }
    return out;
}
