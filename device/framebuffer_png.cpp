#include "device/framebuffer_png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "core/file_replace.h"
#include "core/log_whole.h"

namespace {

const fb_entry *table_of(const framebuffer *fb, int y) {
    // A line that never arrived is drawn empty from the colour table.
    if (y < fb->line_count && fb->lines[y].palette_table != nullptr)
        return fb->lines[y].palette_table;
    return fb->line_palettes[0];
}

void put_pixel(const fb_entry *table, unsigned v, uint8_t *colour, uint8_t *sprite) {
    v &= FRAMEBUFFER_PALLETENUM - 1;
    memcpy(colour, table[v], 4);
    *sprite = (v & 0x100) ? static_cast<uint8_t>(v - 256) : 0;
}

void allocate(fb_png_image *image, int width, int height, int distinct_rows,
              int rows_per_distinct) {
    image->width = width;
    image->height = height;
    image->colour_pixels.assign(static_cast<size_t>(width) * distinct_rows * 4, 0);
    image->sprite_pixels.assign(static_cast<size_t>(width) * distinct_rows, 0);
    image->colour_rows.resize(height);
    image->sprite_rows.resize(height);
    for (int r = 0; r < height; r++) {
        size_t row = static_cast<size_t>(r / rows_per_distinct) * width;
        image->colour_rows[r] = image->colour_pixels.data() + row * 4;
        image->sprite_rows[r] = image->sprite_pixels.data() + row;
    }
}

void build_rectangle(const framebuffer *fb, fb_png_image *image) {
    const fb_rect &a = fb->active;
    allocate(image, a.width, a.height, a.height, 1);
    for (int j = 0; j < a.height; j++) {
        const int y = a.y + j;
        const fb_entry *table = table_of(fb, y);
        for (int i = 0; i < a.width; i++)
            put_pixel(table, fb->pixels[y][a.x + i], image->colour_rows[j] + 4 * i,
                      image->sprite_rows[j] + i);
    }
}

// Every line at master-clock resolution: each source pixel repeated div times,
// dividers 2 and 4 after one border pixel so that 1365 clocks come out whole.
void build_master_clock(framebuffer *fb, fb_png_image *image) {
    fb->whole.x = 0;
    fb->whole.width = FB_LINE_CLOCK;
    const int lines = fb->whole.height;
    allocate(image, FB_LINE_CLOCK, lines * FB_MASTER_ROWS_PER_LINE, lines, FB_MASTER_ROWS_PER_LINE);
    for (int j = 0; j < lines; j++) {
        const int y = fb->whole.y + j;
        const fb_entry *table = table_of(fb, y);
        uint8_t *colour = image->colour_rows[j * FB_MASTER_ROWS_PER_LINE];
        uint8_t *sprite = image->sprite_rows[j * FB_MASTER_ROWS_PER_LINE];
        const bool received = y < fb->line_count;
        const int div = received ? fb->lines[y].div : 1;
        int out = 0;
        if (div == 2 || div == 4) put_pixel(table, FB_EMPTY_PIXEL, colour, sprite + out++);
        for (int src = 0; out < FB_LINE_CLOCK; src++) {
            unsigned v =
                received && src < FRAMEBUFFER_WIDTH ? fb->pixels[y][src] : unsigned{FB_EMPTY_PIXEL};
            for (int r = 0; r < div && out < FB_LINE_CLOCK; r++, out++)
                put_pixel(table, v, colour + 4 * out, sprite + out);
        }
    }
}

struct png_failure {
    char message[128];
};

void on_png_error(png_structp png, png_const_charp message) {
    auto *failure = static_cast<png_failure *>(png_get_error_ptr(png));
    snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Writes one PNG with no ancillary chunk but tRNS. The classic interface is
// needed: the simplified one always adds a colour-space chunk and picks its own
// compression level. Only plain data lives in this frame, so the longjmp out
// of libpng skips no destructor.
int write_png(FILE *file, const fb_png_image &image, bool sprite, png_failure *failure) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, on_png_error, on_png_warning);
    if (png == nullptr) return 0;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, image.width, image.height, image.bit_depth,
                 sprite ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color plte[256];
    png_byte trns[1];
    if (sprite) {
        for (int i = 0; i < 256; i++)
            plte[i] = png_color{image.sprite_palette[i][0], image.sprite_palette[i][1],
                                image.sprite_palette[i][2]};
        trns[0] = image.sprite_palette[0][3];
        png_set_PLTE(png, info, plte, 256);
        png_set_tRNS(png, info, trns, 1, nullptr);
    }
    png_write_info(png, info);
    png_write_image(
        png, const_cast<png_bytepp>(sprite ? image.sprite_rows.data() : image.colour_rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

int write_file(const char *path, const fb_png_image &image, bool sprite, log_sink *l) {
    // A cut-off PNG is worse than none, and a failed one must not cost the
    // picture saved before under that name.
    file_replace out;
    if (!file_replace_begin(&out, path)) {
        log_printf_whole(l, "%s cannot be created\n", path);
        return 0;
    }
    png_failure failure{"write error"};
    int ok = write_png(out.stream, image, sprite, &failure) && file_replace_commit(&out);
    if (!ok) {
        file_replace_abandon(&out);
        log_printf_whole(l, "%s: %s\n", path, failure.message);
    }
    return ok;
}

}  // namespace

int fb_build_png_image(framebuffer *fb, fb_png_image *image) {
    const fb_rect &a = fb->active;
    const fb_rect &w = fb->whole;
    bool inside = a.width > 0 && a.height > 0 && a.x >= 0 && a.x + a.width <= FRAMEBUFFER_WIDTH &&
                  a.y >= 0 && a.y + a.height <= FRAMEBUFFER_HEIGHT && w.height > 0 && w.y >= 0 &&
                  w.y + w.height <= FRAMEBUFFER_HEIGHT;
    if (!inside) return 0;
    if (fb->multirect)
        build_master_clock(fb, image);
    else
        build_rectangle(fb, image);
    const fb_entry *table = table_of(fb, 19);
    memcpy(image->sprite_palette, table + 256, sizeof image->sprite_palette);
    return 1;
}

int fb_sprite_png_name(const char *path, std::string *sprite_path) {
    size_t n = strlen(path);
    if (n < 4 || n > FB_SPRITE_NAME_MAX) return 0;
    const char *tail = path + n - 4;
    if (strcmp(tail, ".png") != 0 && strcmp(tail, ".PNG") != 0) return 0;
    sprite_path->assign(path, n - 4);
    sprite_path->append("_obj.png");
    return 1;
}

int fb_save_png(framebuffer *fb, const char *path, log_sink *l) {
    fb_png_image image;
    if (!fb_build_png_image(fb, &image)) {
        log_line(l, "no picture to save");
        return 0;
    }
    int ok = write_file(path, image, false, l);
    std::string sprite_path;
    if (fb_sprite_png_name(path, &sprite_path))
        ok = write_file(sprite_path.c_str(), image, true, l) && ok;
    return ok;
}
