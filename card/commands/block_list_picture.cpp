#include <memory>
#include <vector>

#include "card/commands/block_list_picture.h"
#include "card/imagelist/list_on_card.h"
#include "card/layout/card_args.h"
#include "card/imagelist/list_picture.h"

namespace {

bool preview_block(card_context *c, const char *block_text, const char *png_name) {
    uint32_t b;
    if (!card_arg_block(c, block_text, "manage area block not found", &b) ||
        !managearea_select(c, b))
        return false;
    if (c->disc_amount == 0) {
        log_printf(c->log, "block %u holds no images yet: showing its empty slots\n", b);
        std::vector<char> texts(size_t{CARD_DISC_SLOTS} * LIST_SLOT_TEXT_SIZE, 0);
        std::vector<uint8_t> settings(CARD_SETTINGS_BYTES, 0);
        for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) {
            snprintf(&texts[size_t{p} * LIST_SLOT_TEXT_SIZE], LIST_SLOT_TEXT_SIZE, "0[%02u]",
                     c->order[p]);
            settings[p] = c->order[p];
        }
        std::vector<uint8_t> list(LIST_IMAGE_SIZE);
        if (!build_list_image(c->log, texts.data(), CARD_DISC_SLOTS, LIST_SLOT_TEXT_SIZE,
                              settings.data(), CARD_SETTINGS_BYTES, list.data()))
            return false;
        return list_image_to_png(c->log, list.data(), list.size(), png_name) == 1;
    }
    std::vector<uint8_t> raw(LIST_RAW_BYTES);
    if (uint64_t{c->entries[0].length} * 512 < LIST_RAW_BYTES) {
        log_line(c->log, "index disc is too short for the image list");
        return false;
    }
    if (!disk_seek(c->disk, c->block + c->entries[0].offset) ||
        !disk_read(c->disk, raw.data(), LIST_RAW_BYTES)) {
        log_line(c->log, "read error");
        return false;
    }
    return list_image_to_png(c->log, raw.data(), raw.size(), png_name) == 1;
}

}  // namespace

int card_preview(log_sink *log, const char *drive, const char *block_text, const char *png_name) {
    auto c = std::make_unique<card_context>();
    c->disk = nullptr;
    c->log = log;
    c->drive = drive;
    if (!card_open_to_read(c.get())) return 1;
    bool ok = preview_block(c.get(), block_text, png_name);
    disk_close(c->disk);
    return ok ? 0 : 1;
}
