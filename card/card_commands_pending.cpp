// Rows of the card command table whose handlers are not built yet: they say
// so and fail, so that no caller mistakes them for done.
#include "card/card_commands.h"
#include "card/fenrik.h"

namespace {

int not_built(card_context *c, const char *name) {
    log_printf(c->log, "%s is not built yet\n", name);
    return 0;
}

}  // namespace

int card_add(card_context *c, int, const char *const *) { return not_built(c, "add"); }
int card_add_withname(card_context *c, int, const char *const *) {
    return not_built(c, "add_withname");
}
int card_overwrite(card_context *c, int, const char *const *) { return not_built(c, "overwrite"); }
int card_amount_change(card_context *c, int, const char *const *) {
    return not_built(c, "amount_change");
}
int card_mmchash(card_context *c, int, const char *const *) { return not_built(c, "mmchash"); }
