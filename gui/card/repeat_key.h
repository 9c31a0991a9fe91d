// The three-press keys of the image list: Shift+Del cuts the card from the
// selected image on (or formats it for images 0 and 1), Shift+F7 dumps the
// selected disc. A press with another image selected, or of the other key,
// starts over, so a destructive command never runs on a mix of presses.
#pragma once

#include <cstdint>

#include "core/log.h"

enum repeat_key { REPEAT_KEY_DELETE, REPEAT_KEY_DUMP };

enum repeat_action {
    REPEAT_NOTHING,
    REPEAT_FORMAT,         // Shift+Del on image 0 or 1
    REPEAT_AMOUNT_CHANGE,  // Shift+Del on image 2 or later
    REPEAT_RAWDUMP,        // Shift+F7
};

struct repeat_key_state {
    int count = 0;  // m_delete_count, 0..2
    uint32_t image_number = 0;
    repeat_key key = REPEAT_KEY_DELETE;
};

// Starts the count over: the presses so far were made in another context
// (another drive, list, selection, or a task ran in between).
inline void repeat_key_reset(repeat_key_state *s) { s->count = 0; }

// One press with selected_rows rows selected, image_number the selected
// row's image. The first Shift+Del press writes its warning to log.
repeat_action repeat_key_press(repeat_key_state *s, repeat_key key, int selected_rows,
                               uint32_t image_number, log_sink *log);
