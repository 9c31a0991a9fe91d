#include "card/commands/config_request.h"

#include "card/layout/card_args.h"
#include "card/layout/disc_kind.h"

namespace {

const uint32_t KIND_VALUE_MASK = 0xFF;
const uint8_t OPTION_KEEP = 0x7F;  // low seven bits all set
const uint8_t OPTION_BITS = DISC_FLAG_ROM_RAM | DISC_FLAG_UNSWAPPABLE;

config_request_half half_from(unsigned long icon, unsigned long option) {
    config_request_half h;
    h.kind_index = static_cast<unsigned>(icon & 0xFF);
    h.kind_mask = h.kind_index != 0 ? KIND_VALUE_MASK : 0;
    h.option = static_cast<uint8_t>(option);
    h.option_mask = (option & OPTION_KEEP) == OPTION_KEEP ? 0 : OPTION_BITS;
    return h;
}

uint32_t settings_mask(uint32_t common) {
    uint32_t mask = 0;
    for (int g = 0; g < CONFIG_SETTING_COUNT; g++) {
        int shift = 8 + 3 * g;
        if (((common >> shift) & 7u) != CONFIG_SETTING_KEEP) mask |= 7u << shift;
    }
    return mask;
}

}  // namespace

bool config_request_parse(log_sink *log, const char *const texts[5], config_request *r) {
    unsigned long v[5];
    for (int i = 0; i < 5; i++)
        if (!card_arg_ulong(log, texts[i], &v[i])) return false;
    r->cd = half_from(v[0], v[1]);
    r->hucard = half_from(v[2], v[3]);
    uint32_t common = static_cast<uint32_t>(v[4]);
    r->common_bits = common & ~KIND_VALUE_MASK;
    r->common_mask = settings_mask(common);
    return true;
}

void config_request_apply(const config_request &r, disc_entry *e) {
    bool hucard = disc_is_rom(*e);
    const config_request_half &h = hucard ? r.hucard : r.cd;
    uint32_t value = kind_value_of(hucard, h.kind_index);
    uint32_t mask = h.kind_mask | r.common_mask;
    uint32_t word = (e->config & ~mask) | ((value | r.common_bits) & mask);
    uint8_t flags = static_cast<uint8_t>((e->flags & ~h.option_mask) | (h.option & h.option_mask));
    // Only a new HuCard kind gets a size class: a kept kind keeps its own.
    if ((flags & DISC_FLAG_HUCARD) && r.hucard.kind_mask != 0) {
        int size_class = hucard_size_class(hucard_size_value(flags, e->romconfig[1]));
        word += 4u * static_cast<uint32_t>(size_class);
    }
    e->config = word;
    e->flags = flags;
}
