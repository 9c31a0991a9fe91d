// The two planes written from a frame store, and the PNG writer behind
// fb_save_png. Split out so that tests and the fuzz target can check the
// planes without writing files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"
#include "device/framebuffer.h"

struct fb_png_image {
    int width = 0;
    int height = 0;
    int bit_depth = 8;
    // Distinct rows; several row pointers share a row where the master-clock
    // image repeats a line vertically.
    std::vector<uint8_t> colour_pixels;  // R G B A
    std::vector<uint8_t> sprite_pixels;  // colour number - 256, or 0
    std::vector<uint8_t *> colour_rows;  // height entries
    std::vector<uint8_t *> sprite_rows;
    fb_entry sprite_palette[256];  // colour numbers 256..511 of line 19's table
};

enum { FB_MASTER_ROWS_PER_LINE = 3, FB_SPRITE_NAME_MAX = 124 };

// The active rectangle, or the master-clock image of a multirect frame (which
// sets whole to x 0, width 1365). 0 when fb_find_active_area found no picture.
int fb_build_png_image(framebuffer *fb, fb_png_image *image);

// "<name>_obj.png" for a path ending in ".png" or ".PNG" (exactly these
// spellings) of at most 124 characters; 0 when the path gets no sprite file.
int fb_sprite_png_name(const char *path, std::string *sprite_path);
