#include "saves/backup_ram_layout.h"

#include <cstdio>
#include <cstring>

#include "core/le_bytes.h"

namespace {

const uint8_t SIGNATURE[4] = {'H', 'U', 'B', 'M'};
const uint32_t BACKUP_RAM_BASE = 0x8000;
const uint32_t END_ADDRESS = BACKUP_RAM_BASE + SAVE_BACKUP_RAM_BYTES;
// The area's header and each entry's header are both 16 bytes.
const uint32_t BACKUP_RAM_HEADER_BYTES = 0x10;
const uint32_t BACKUP_RAM_ENTRY_HEADER_BYTES = BACKUP_RAM_HEADER_BYTES;
const uint32_t BACKUP_RAM_NAME_BYTES = 12;
const uint32_t BACKUP_RAM_END_MARK_BYTES = 2;

std::string where(uint32_t offset) {
    char text[32];
    snprintf(text, sizeof text, "at offset 0x%03X", offset);
    return text;
}

uint32_t free_offset(const std::vector<uint8_t> &image) {
    return le16_get(&image[6]) - BACKUP_RAM_BASE;
}

void set_free_offset(std::vector<uint8_t> *image, uint32_t offset) {
    le16_put(&(*image)[6], BACKUP_RAM_BASE + offset);
    (*image)[offset] = 0;
    (*image)[offset + 1] = 0;
}

// The header's own faults, before any entry is looked at.
std::string header_fault(const std::vector<uint8_t> &image) {
    if (image.size() != SAVE_BACKUP_RAM_BYTES) return "not a 2048-byte backup RAM image";
    if (memcmp(image.data(), SIGNATURE, sizeof SIGNATURE) != 0)
        return "no backup RAM header (\"HUBM\" missing)";
    if (le16_get(&image[4]) != END_ADDRESS) {
        char text[80];
        snprintf(text, sizeof text, "end address 0x%04X in the header, not 0x%04X",
                 le16_get(&image[4]), END_ADDRESS);
        return text;
    }
    uint32_t pointer = le16_get(&image[6]);
    if (pointer < BACKUP_RAM_BASE + BACKUP_RAM_HEADER_BYTES ||
        pointer + BACKUP_RAM_END_MARK_BYTES > END_ADDRESS) {
        char text[80];
        snprintf(text, sizeof text, "free pointer 0x%04X outside the area", pointer);
        return text;
    }
    return "";
}

}  // namespace

uint16_t backup_ram_check_value(const uint8_t *entry, uint32_t length) {
    uint32_t sum = 0;
    for (uint32_t i = 4; i < length; i++) sum += entry[i];
    return static_cast<uint16_t>(0x10000 - (sum & 0xFFFF));
}

int backup_ram_list(const std::vector<uint8_t> &image, save_listing *listing) {
    *listing = save_listing{};
    listing->kind = SAVE_BACKUP_RAM;
    listing->fault = header_fault(image);
    if (!listing->fault.empty()) return VMK_FAILED;
    const uint32_t end = free_offset(image);
    uint32_t offset = BACKUP_RAM_HEADER_BYTES;
    while (offset < end) {
        const uint8_t *e = &image[offset];
        uint32_t length = le16_get(e);
        if (offset + BACKUP_RAM_ENTRY_HEADER_BYTES > end) {
            listing->fault = "entry header cut by the free pointer " + where(offset);
            return VMK_FAILED;
        }
        save_entry entry;
        entry.number = static_cast<uint32_t>(listing->entries.size()) + 1;
        entry.key.assign(e + 4, e + 4 + BACKUP_RAM_NAME_BYTES);
        entry.name = save_printable_name(e + 6, BACKUP_RAM_NAME_BYTES - 2);
        entry.offset = offset;
        entry.bytes = length;
        if (length < BACKUP_RAM_ENTRY_HEADER_BYTES) {
            listing->fault = "entry \"" + entry.name + "\": length " + std::to_string(length) +
                             " shorter than its header, " + where(offset);
            return VMK_FAILED;
        }
        if (offset + length > end) {
            listing->fault = "entry \"" + entry.name + "\" runs past the end of the saves, " +
                             where(offset);
            return VMK_FAILED;
        }
        entry.check_ok = backup_ram_check_value(e, length) == le16_get(e + 2);
        listing->entries.push_back(entry);
        offset += length;
    }
    if (image[end] != 0 || image[end + 1] != 0) {
        listing->fault = "no end mark (two zero bytes) at the free pointer, " + where(end);
        return VMK_FAILED;
    }
    listing->free_bytes = SAVE_BACKUP_RAM_BYTES - end - BACKUP_RAM_END_MARK_BYTES;
    for (const save_entry &e : listing->entries)
        if (!e.check_ok) {
            listing->fault = "entry \"" + e.name + "\": wrong check value, " + where(e.offset);
            return VMK_FAILED;
        }
    return VMK_OK;
}

int backup_ram_delete(std::vector<uint8_t> *image, const save_entry &entry, std::string *why) {
    save_listing listing;
    if (backup_ram_list(*image, &listing) != VMK_OK) {
        *why = listing.fault;
        return VMK_FAILED;
    }
    uint32_t end = free_offset(*image);
    if (entry.offset < BACKUP_RAM_HEADER_BYTES || entry.offset + entry.bytes > end) {
        *why = "no such entry";
        return VMK_FAILED;
    }
    // The later entries move up, as the console does, and the room they left
    // is cleared so that no stale bytes follow the end mark.
    uint8_t *base = image->data();
    memmove(base + entry.offset, base + entry.offset + entry.bytes, end - entry.offset - entry.bytes);
    uint32_t new_end = end - entry.bytes;
    memset(base + new_end, 0, end + BACKUP_RAM_END_MARK_BYTES - new_end);
    set_free_offset(image, new_end);
    return VMK_OK;
}

int backup_ram_insert(std::vector<uint8_t> *image, const std::vector<uint8_t> &blob, bool replace,
                      std::string *why) {
    save_listing listing;
    if (backup_ram_list(*image, &listing) != VMK_OK) {
        *why = "target: " + listing.fault;
        return VMK_FAILED;
    }
    if (blob.size() < BACKUP_RAM_ENTRY_HEADER_BYTES || le16_get(blob.data()) != blob.size()) {
        *why = "not a backup RAM entry";
        return VMK_FAILED;
    }
    std::vector<uint8_t> work = *image;
    if (save_drop_same_name(SAVE_BACKUP_RAM, &work, listing, blob.data() + 4, replace, why) != VMK_OK)
        return VMK_FAILED;
    uint32_t end = free_offset(work);
    uint32_t room = SAVE_BACKUP_RAM_BYTES - end - BACKUP_RAM_END_MARK_BYTES;
    if (blob.size() > room) {
        *why = "the entry needs " + std::to_string(blob.size()) + " bytes, the target has " +
               std::to_string(room) + " free";
        return VMK_FAILED;
    }
    memcpy(work.data() + end, blob.data(), blob.size());
    set_free_offset(&work, end + static_cast<uint32_t>(blob.size()));
    *image = std::move(work);
    return VMK_OK;
}

std::vector<uint8_t> backup_ram_format() {
    std::vector<uint8_t> image(SAVE_BACKUP_RAM_BYTES, 0);
    memcpy(image.data(), SIGNATURE, sizeof SIGNATURE);
    le16_put(&image[4], END_ADDRESS);
    set_free_offset(&image, BACKUP_RAM_HEADER_BYTES);
    return image;
}
