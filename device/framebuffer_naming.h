// File names for the window's captures: "<folder>0000.png", "<folder>0001.png"
// ... up to 99999, the first one not taken from the stored counter on. A
// number is taken when its picture or its sprite picture ("0000_obj.png")
// exists.
#pragma once

#include <cstdint>
#include <string>

enum { FB_PNG_NUMBER_LAST = 99999 };

// folder ends in a path separator. Probes counter, counter + 1, ... 99999 and
// leaves *counter at the number chosen, so the next capture probes it first.
// When every number from the counter to 99999 is taken the search starts again
// at 0 (older captures may have been deleted meanwhile). Only when all 100000
// names exist does it return 0, leaving *counter and *name unchanged; the
// caller refuses the capture rather than overwrite one. A counter outside
// 0..99999 starts at 0.
int fb_next_png_name(const char *folder, int32_t *counter, std::string *name);

// The search behind it: the first number from counter (wrapping at 99999) for
// which taken answers false, or -1 when every number is taken.
int fb_first_free_number(int32_t counter, bool (*taken)(void *user, int number), void *user);
