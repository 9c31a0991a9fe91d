#include "saves/save_image.h"

#include <cstdio>
#include <cstring>

#include "core/number_text.h"
#include "saves/backup_ram_layout.h"
#include "saves/memory_base_layout.h"

const char *save_kind_name(save_kind kind) {
    return kind == SAVE_BACKUP_RAM ? "backup RAM" : "Memory Base";
}

uint32_t save_kind_bytes(save_kind kind) {
    return kind == SAVE_BACKUP_RAM ? SAVE_BACKUP_RAM_BYTES : SAVE_MEMORY_BASE_BYTES;
}

std::string save_printable_name(const uint8_t *bytes, size_t length) {
    // Padding is spaces; some games pad with zero bytes instead.
    while (length > 0 && (bytes[length - 1] == ' ' || bytes[length - 1] == 0)) length--;
    std::string text;
    for (size_t i = 0; i < length; i++) {
        if (bytes[i] >= 0x20 && bytes[i] < 0x7F && bytes[i] != '\\') {
            text += static_cast<char>(bytes[i]);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", bytes[i]);
            text += hex;
        }
    }
    return text;
}

int save_list(save_kind kind, const std::vector<uint8_t> &image, save_listing *listing) {
    return kind == SAVE_BACKUP_RAM ? backup_ram_list(image, listing) : memory_base_list(image, listing);
}

int save_find(const save_listing &listing, const std::string &which, const save_entry **found,
              std::string *why) {
    std::string digits = !which.empty() && which[0] == '#' ? which.substr(1) : which;
    uint64_t number = 0;
    if (parse_decimal(digits.c_str(), &number)) {
        for (const save_entry &e : listing.entries)
            if (e.number == number) {
                *found = &e;
                return VMK_OK;
            }
        *why = "no entry number " + std::to_string(number);
        return VMK_FAILED;
    }
    int matches = 0;
    for (const save_entry &e : listing.entries)
        if (e.name == which) {
            *found = &e;
            matches++;
        }
    if (matches == 1) return VMK_OK;
    *why = matches == 0 ? "no entry named \"" + which + "\""
                        : std::to_string(matches) + " entries are named \"" + which +
                              "\"; give the number the listing shows";
    return VMK_FAILED;
}

int save_extract(save_kind kind, const std::vector<uint8_t> &image, const save_entry &entry,
                 std::vector<uint8_t> *blob) {
    if (kind == SAVE_MEMORY_BASE) return memory_base_extract(image, entry, blob);
    if (entry.offset + entry.bytes > image.size()) return VMK_FAILED;
    blob->assign(image.begin() + entry.offset, image.begin() + entry.offset + entry.bytes);
    return VMK_OK;
}

int save_insert(save_kind kind, std::vector<uint8_t> *image, const std::vector<uint8_t> &blob,
                bool replace, std::string *why) {
    return kind == SAVE_BACKUP_RAM ? backup_ram_insert(image, blob, replace, why)
                                   : memory_base_insert(image, blob, replace, why);
}

int save_delete(save_kind kind, std::vector<uint8_t> *image, const save_entry &entry,
                std::string *why) {
    return kind == SAVE_BACKUP_RAM ? backup_ram_delete(image, entry, why)
                                   : memory_base_delete(image, entry, why);
}

int save_drop_same_name(save_kind kind, std::vector<uint8_t> *image, const save_listing &listing,
                        const uint8_t *name, bool replace, std::string *why) {
    for (const save_entry &e : listing.entries) {
        if (memcmp(e.key.data(), name, e.key.size()) != 0) continue;
        if (!replace) {
            *why = "the target already holds an entry named \"" + e.name + "\" (--replace replaces it)";
            return VMK_FAILED;
        }
        return save_delete(kind, image, e, why);
    }
    return VMK_OK;
}

std::vector<uint8_t> save_format(save_kind kind) {
    return kind == SAVE_BACKUP_RAM ? backup_ram_format() : memory_base_format();
}
