#include "tests/card/layout/fuzz/card_image_input.h"

#include <memory>
#include <string>

#include "card/store/drive_table.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"
#include "card/layout/card_listing.h"
#include "card/store/sector_store.h"
#include "core/log.h"

namespace {

void no_header(void *, uint32_t, uint32_t) {}
void no_entry(void *, uint32_t, uint32_t, uint32_t, uint8_t, uint32_t, const char *) {}

void open_and_list(const char *drive) {
    auto c = std::make_unique<card_context>();
    c->disk = nullptr;
    c->log = log_null();
    c->drive = drive;
    if (!card_open(c.get())) return;
    list_card(c.get());
    for (uint32_t b = 0; b < c->managearea_num; b++) managearea_select(c.get(), b);
    disk_close(c->disk);
}

}  // namespace

void fuzz_card_image(const uint8_t *data, size_t size) {
    if (size < 512) return;
    sector_store *store = memory_store_create(FUZZ_CARD_SECTORS);
    if (store == nullptr) return;
    store_write(store, 0, 1, data);
    for (size_t at = 512; at + 4 + 512 <= size; at += 4 + 512) {
        uint32_t sector = le32_get(data + at) % FUZZ_CARD_SECTORS;
        store_write(store, sector, 1, data + at + 4);
    }
    char letter = drive_table_register_store(store);
    if (letter != 0) {
        std::string drive(1, letter);
        open_and_list(drive.c_str());
        card_enumerate(log_null(), drive.c_str(), no_header, nullptr, no_entry, nullptr);
        drive_table_forget(letter);
    }
    store_close(store);
}
