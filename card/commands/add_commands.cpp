// Rows "add", "add_withname" and "overwrite" of the card command table.
#include "card/commands/card_commands.h"
#include "card/write/image_add.h"

int card_add(card_context *c, int argc, const char *const *v) {
    return image_add(c, argc, v, {0, 1, argc > 1, false, false});
}

int card_add_withname(card_context *c, int argc, const char *const *v) {
    return image_add(c, argc, v, {1, 2, argc > 2, false, false});
}

int card_overwrite(card_context *c, int argc, const char *const *v) {
    return image_add(c, argc, v, {argc >= 3 ? 2 : 0, 1, true, true, true});
}
