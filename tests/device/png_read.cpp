#include "tests/device/png_read.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

void list_chunks(const std::string &path, png_contents *out) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = 8; at + 8 <= d.size();) {
        size_t n = (size_t{d[at]} << 24) | (d[at + 1] << 16) | (d[at + 2] << 8) | d[at + 3];
        std::string type(d.begin() + at + 4, d.begin() + at + 8);
        out->chunks.push_back(type);
        if (type == "IDAT" && out->first_idat.empty() && at + 10 <= d.size())
            out->first_idat.assign(d.begin() + at + 8, d.begin() + at + 10);
        at += 12 + n;
    }
}

// Plain data only between setjmp and the rows, which are filled afterwards.
bool read_rows(FILE *f, png_contents *out, std::vector<uint8_t> *pixels, size_t *stride) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> *rows = new std::vector<png_bytep>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete rows;
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    out->width = static_cast<int>(png_get_image_width(png, info));
    out->height = static_cast<int>(png_get_image_height(png, info));
    out->bit_depth = png_get_bit_depth(png, info);
    out->color_type = png_get_color_type(png, info);
    out->interlace = png_get_interlace_type(png, info);
    png_colorp plte;
    int nplte;
    if (png_get_PLTE(png, info, &plte, &nplte))
        for (int i = 0; i < nplte; i++)
            out->plte.insert(out->plte.end(), {plte[i].red, plte[i].green, plte[i].blue});
    png_bytep trns;
    int ntrns;
    png_color_16p trans_color;
    if (png_get_tRNS(png, info, &trns, &ntrns, &trans_color) && trns)
        out->trns.assign(trns, trns + ntrns);
    *stride = png_get_rowbytes(png, info);
    pixels->resize(*stride * out->height);
    for (int r = 0; r < out->height; r++) rows->push_back(pixels->data() + *stride * r);
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete rows;
    return true;
}

}  // namespace

png_contents png_load(const std::string &path) {
    png_contents out;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    std::vector<uint8_t> pixels;
    size_t stride = 0;
    out.ok = read_rows(f, &out, &pixels, &stride);
    fclose(f);
    for (int r = 0; out.ok && r < out.height; r++)
        out.rows.emplace_back(pixels.begin() + stride * r, pixels.begin() + stride * (r + 1));
    list_chunks(path, &out);
    return out;
}
