#include "saves/memory_base_layout.h"

#include <cstdio>
#include <cstring>

#include "core/le_bytes.h"

namespace {

const uint8_t SIGNATURE[12] = {0xD2, 0xD3, 0xD8, 0xCD, 0xDE, 0xB0, 0xBD, '1', '2', '8', 0, 0};
const uint32_t MEMORY_BASE_SECTOR_BYTES = 512;
const uint32_t MEMORY_BASE_SECTORS = SAVE_MEMORY_BASE_BYTES / MEMORY_BASE_SECTOR_BYTES;
const uint32_t MEMORY_BASE_DIRECTORY_SECTORS = 2;
const uint32_t DIRECTORY_BYTES = MEMORY_BASE_DIRECTORY_SECTORS * MEMORY_BASE_SECTOR_BYTES;
const uint32_t MEMORY_BASE_SLOT_BYTES = 16;
const uint32_t MEMORY_BASE_SLOTS = DIRECTORY_BYTES / MEMORY_BASE_SLOT_BYTES;
const uint32_t MEMORY_BASE_NAME_BYTES = 8;

uint16_t byte_sum(const uint8_t *p, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i < n; i++) sum += p[i];
    return static_cast<uint16_t>(sum);
}

uint8_t *slot(std::vector<uint8_t> *image, uint32_t i) {
    return image->data() + i * MEMORY_BASE_SLOT_BYTES;
}

std::string slot_text(uint32_t i) { return "directory slot " + std::to_string(i); }

// Slot number of an entry: entries fill slots 1.. in listing order.
uint32_t slot_of(const save_entry &e) { return e.number; }

// The used count and the directory sum, after any change to the directory.
void seal_directory(std::vector<uint8_t> *image, const save_listing &listing) {
    uint32_t used = 0;
    for (const save_entry &e : listing.entries) used += e.bytes / MEMORY_BASE_SECTOR_BYTES;
    le16_put(slot(image, 0) + 2, used);
    le16_put(slot(image, 0), byte_sum(image->data() + 2, DIRECTORY_BYTES - 2));
}

}  // namespace

int memory_base_list(const std::vector<uint8_t> &image, save_listing *listing) {
    *listing = save_listing{};
    listing->kind = SAVE_MEMORY_BASE;
    if (image.size() != SAVE_MEMORY_BASE_BYTES) {
        listing->fault = "not a 131072-byte Memory Base image";
        return VMK_FAILED;
    }
    if (memcmp(&image[4], SIGNATURE, sizeof SIGNATURE) != 0) {
        listing->fault = "no Memory Base signature in the directory header";
        return VMK_FAILED;
    }
    if (byte_sum(&image[2], DIRECTORY_BYTES - 2) != le16_get(&image[0])) {
        listing->fault = "wrong directory sum at offset 0x000";
        return VMK_FAILED;
    }
    bool taken[MEMORY_BASE_SECTORS] = {};
    uint32_t used = MEMORY_BASE_DIRECTORY_SECTORS;
    for (uint32_t i = 1; i < MEMORY_BASE_SLOTS; i++) {
        const uint8_t *s = &image[i * MEMORY_BASE_SLOT_BYTES];
        if (s[0] == 0) break;
        save_entry e;
        e.number = i;
        e.key.assign(s + 8, s + 8 + MEMORY_BASE_NAME_BYTES);
        e.name = save_printable_name(s + 8, MEMORY_BASE_NAME_BYTES);
        uint32_t first = s[0], count = s[1];
        e.offset = first * MEMORY_BASE_SECTOR_BYTES;
        e.bytes = count * MEMORY_BASE_SECTOR_BYTES;
        std::string who = "entry \"" + e.name + "\" (" + slot_text(i) + ")";
        if (first < MEMORY_BASE_DIRECTORY_SECTORS || count == 0 || first + count > MEMORY_BASE_SECTORS) {
            listing->fault = who + ": sectors " + std::to_string(first) + "+" + std::to_string(count) +
                             " run past the end";
            return VMK_FAILED;
        }
        for (uint32_t k = first; k < first + count; k++) {
            if (taken[k]) {
                listing->fault = who + ": sector " + std::to_string(k) + " belongs to another entry";
                return VMK_FAILED;
            }
            taken[k] = true;
        }
        used += count;
        e.check_ok = byte_sum(&image[e.offset], e.bytes) == le16_get(s + 4);
        listing->entries.push_back(e);
    }
    bool slot_left = listing->entries.size() + 1 < MEMORY_BASE_SLOTS;
    listing->free_bytes = slot_left ? (MEMORY_BASE_SECTORS - used) * MEMORY_BASE_SECTOR_BYTES : 0;
    for (const save_entry &e : listing->entries)
        if (!e.check_ok) {
            listing->fault = "entry \"" + e.name + "\" (" + slot_text(e.number) + "): wrong check value";
            return VMK_FAILED;
        }
    return VMK_OK;
}

int memory_base_extract(const std::vector<uint8_t> &image, const save_entry &entry,
                        std::vector<uint8_t> *blob) {
    if (entry.key.size() != MEMORY_BASE_NAME_BYTES || entry.offset + entry.bytes > image.size())
        return VMK_FAILED;
    blob->assign(entry.key.begin(), entry.key.end());
    blob->insert(blob->end(), image.begin() + entry.offset, image.begin() + entry.offset + entry.bytes);
    return VMK_OK;
}

int memory_base_delete(std::vector<uint8_t> *image, const save_entry &entry, std::string *why) {
    save_listing listing;
    if (memory_base_list(*image, &listing) != VMK_OK) {
        *why = listing.fault;
        return VMK_FAILED;
    }
    uint32_t i = slot_of(entry);
    if (i == 0 || i > listing.entries.size()) {
        *why = "no such entry";
        return VMK_FAILED;
    }
    const save_entry &gone = listing.entries[i - 1];
    memset(image->data() + gone.offset, 0, gone.bytes);
    uint32_t last = static_cast<uint32_t>(listing.entries.size());
    memmove(slot(image, i), slot(image, i + 1), (last - i) * MEMORY_BASE_SLOT_BYTES);
    memset(slot(image, last), 0, MEMORY_BASE_SLOT_BYTES);
    listing.entries.erase(listing.entries.begin() + (i - 1));
    seal_directory(image, listing);
    return VMK_OK;
}

int memory_base_insert(std::vector<uint8_t> *image, const std::vector<uint8_t> &blob, bool replace,
                       std::string *why) {
    save_listing listing;
    if (memory_base_list(*image, &listing) != VMK_OK) {
        *why = "target: " + listing.fault;
        return VMK_FAILED;
    }
    size_t data_bytes = blob.size() - MEMORY_BASE_NAME_BYTES;
    if (blob.size() <= MEMORY_BASE_NAME_BYTES || data_bytes % MEMORY_BASE_SECTOR_BYTES != 0) {
        *why = "not a Memory Base entry";
        return VMK_FAILED;
    }
    std::vector<uint8_t> work = *image;
    if (save_drop_same_name(SAVE_MEMORY_BASE, &work, listing, blob.data(), replace, why) != VMK_OK)
        return VMK_FAILED;
    memory_base_list(work, &listing);
    uint32_t count = static_cast<uint32_t>(data_bytes / MEMORY_BASE_SECTOR_BYTES);
    uint32_t i = static_cast<uint32_t>(listing.entries.size()) + 1;
    if (i >= MEMORY_BASE_SLOTS) {
        *why = "the target's directory is full";
        return VMK_FAILED;
    }
    bool taken[MEMORY_BASE_SECTORS] = {};
    for (const save_entry &e : listing.entries)
        for (uint32_t k = 0; k < e.bytes / MEMORY_BASE_SECTOR_BYTES; k++)
            taken[e.offset / MEMORY_BASE_SECTOR_BYTES + k] = true;
    uint32_t first = MEMORY_BASE_DIRECTORY_SECTORS, run = 0;
    for (uint32_t k = MEMORY_BASE_DIRECTORY_SECTORS; k < MEMORY_BASE_SECTORS && run < count; k++) {
        if (taken[k]) {
            first = k + 1;
            run = 0;
        } else {
            run++;
        }
    }
    if (run < count) {
        *why = "the entry needs " + std::to_string(count) + " sectors in one run, the target has no such room";
        return VMK_FAILED;
    }
    memcpy(work.data() + first * MEMORY_BASE_SECTOR_BYTES, blob.data() + MEMORY_BASE_NAME_BYTES, data_bytes);
    uint8_t *s = slot(&work, i);
    memset(s, 0, MEMORY_BASE_SLOT_BYTES);
    s[0] = static_cast<uint8_t>(first);
    s[1] = static_cast<uint8_t>(count);
    s[3] = 0x02;
    le16_put(s + 4, byte_sum(blob.data() + MEMORY_BASE_NAME_BYTES, data_bytes));
    memcpy(s + 8, blob.data(), MEMORY_BASE_NAME_BYTES);
    save_entry added;
    added.bytes = count * MEMORY_BASE_SECTOR_BYTES;
    listing.entries.push_back(added);
    seal_directory(&work, listing);
    *image = std::move(work);
    return VMK_OK;
}

std::vector<uint8_t> memory_base_format() {
    std::vector<uint8_t> image(SAVE_MEMORY_BASE_BYTES, 0);
    memcpy(&image[4], SIGNATURE, sizeof SIGNATURE);
    seal_directory(&image, save_listing{});
    return image;
}
