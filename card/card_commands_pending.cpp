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

int card_config(card_context *c, int, const char *const *) { return not_built(c, "config"); }
int card_config_single(card_context *c, int, const char *const *) {
    return not_built(c, "config_single");
}
int card_config_multi(card_context *c, int, const char *const *) {
    return not_built(c, "config_multi");
}
int card_amount_change(card_context *c, int, const char *const *) {
    return not_built(c, "amount_change");
}
int card_rawdump(card_context *c, int, const char *const *) { return not_built(c, "rawdump"); }
int card_bkram_read(card_context *c, int, const char *const *) {
    return not_built(c, "bkram_read");
}
int card_bkram_multiread(card_context *c, int, const char *const *) {
    return not_built(c, "bkram_multiread");
}
int card_bkram_write(card_context *c, int, const char *const *) {
    return not_built(c, "bkram_write");
}
