// Fuzz target for opening and listing a card: one input is a card image held
// in memory, opened and listed through the card layout's read paths.
//
// Input format (compact, so that mutations land on structure rather than on
// megabytes of zeros): the first 512 bytes are sector 0; after that, records
// of a 4-byte little-endian sector number and 512 bytes of content, placed on
// a sparse card of FUZZ_CARD_SECTORS sectors (numbers wrap). A short tail is
// ignored.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "card/store/drive_table.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"
#include "card/layout/card_listing.h"
#include "card/store/sector_store.h"
#include "core/log.h"

namespace {

constexpr uint32_t FUZZ_CARD_SECTORS = 1u << 20;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy, so that reading past the input is caught.
    std::vector<uint8_t> copy(data, data + size);
    fuzz_card_image(copy.data(), copy.size());
    return 0;
}
