#include "gui/card/repeat_key.h"

repeat_action repeat_key_press(repeat_key_state *s, repeat_key key, int selected_rows,
                               uint32_t image_number, log_sink *log) {
    if (selected_rows != 1) return REPEAT_NOTHING;
    if (s->count == 0) {
        s->image_number = image_number;
        s->key = key;
        s->count = 1;
        if (key == REPEAT_KEY_DELETE) {
            log_write(log,
                      "Removing greater number of images than selected. Press shift + del two "
                      "more times if you wish to remove them.\n");
            log_write(log,
                      "指定した番号(注:表示順番ではなく番号優先です)以降のイメージは使えなくなります. "
                      "それでもよければあと2回 Shift + Del を押してください.\n");
            if (image_number <= 1)
                log_write(log, "Your memory card has been reformatted.\n0番と1番の場合はフォーマットし直します.\n");
        }
        return REPEAT_NOTHING;
    }
    if (image_number != s->image_number || key != s->key) {
        s->count = 0;
        return REPEAT_NOTHING;
    }
    if (++s->count < 3) return REPEAT_NOTHING;
    s->count = 0;
    if (s->key == REPEAT_KEY_DUMP) return REPEAT_RAWDUMP;
    return s->image_number < 2 ? REPEAT_FORMAT : REPEAT_AMOUNT_CHANGE;
}
