// Row "mmchash": the CRC listing of an image set on the computer, or of a
// disc stored on the card. "#N" always means stored image N; a bare number
// means it too unless it names image files in the working folder.
#include "card/commands/card_commands.h"
#include "card/layout/card_args.h"
#include "core/number_text.h"
#include "card/cdimage/image_hash.h"
#include "card/cdimage/image_input.h"
#include "card/write/stored_disc_hash.h"

int card_mmchash(card_context *c, int argc, const char *const *v) {
    if (argc < 1) return VMK_FAILED;
    uint64_t digits;
    if (v[0][0] == '#') {
        if (!parse_decimal(v[0] + 1, &digits)) {
            log_printf(c->log, "%s: not an image number\n", v[0]);
            return VMK_FAILED;
        }
    } else if (image_input_named(v[0]) || !parse_decimal(v[0], &digits)) {
        return vmk_status(hash_listing(c->log, argc, v) == 1);
    }
    // The row opens no card, since a listing of files needs none.
    if (!card_open(c)) return VMK_FAILED;
    image_number n;
    if (!image_in_chain(c, digits, "manage area block not found", &n)) return VMK_FAILED;
    return vmk_status(hash_stored_disc(c, n.value()) == 1);
}
