// The saves inside one image, whatever its layout: the listing, one entry
// taken out as a blob, put into another image of the same layout, deleted.
// Statuses: VMK_OK, or VMK_FAILED with the reason in the text given.
// Nothing here writes a file; the image is changed only when the step
// succeeds, and only into a layout that save_list accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/status.h"

enum save_kind { SAVE_BACKUP_RAM, SAVE_MEMORY_BASE };

enum : uint32_t {
    SAVE_BACKUP_RAM_BYTES = 0x800,
    SAVE_MEMORY_BASE_BYTES = 0x20000,
};


struct save_entry {
    uint32_t number = 0;       // 1 for the first, as the listing shows it
    std::string name;          // printable, padding cut; other bytes as \xNN
    std::vector<uint8_t> key;  // the stored name bytes that make an entry unique
    uint32_t offset = 0;       // of the entry (backup RAM) or of its data (Memory Base)
    uint32_t bytes = 0;        // the entry's length with its header, or its data bytes
    bool check_ok = false;     // the stored check value matches the bytes
};

struct save_listing {
    save_kind kind = SAVE_BACKUP_RAM;
    std::vector<save_entry> entries;  // those read before any fault
    uint32_t free_bytes = 0;          // room for one more entry, its header included
    std::string fault;                // empty when the image is sound
};

const char *save_kind_name(save_kind kind);
uint32_t save_kind_bytes(save_kind kind);

// VMK_FAILED when the image is damaged: listing->fault names what and where.
int save_list(save_kind kind, const std::vector<uint8_t> &image, save_listing *listing);
// The entry by its number ("3", "#3") or its name; a name that several
// entries carry must be given by number.
int save_find(const save_listing &listing, const std::string &which, const save_entry **found,
              std::string *why);
// The blob that moves an entry between images of one kind.
int save_extract(save_kind kind, const std::vector<uint8_t> &image, const save_entry &entry,
                 std::vector<uint8_t> *blob);
// An entry of the same name is replaced only when replace is set; refused,
// image untouched, when the blob does not fit.
int save_insert(save_kind kind, std::vector<uint8_t> *image, const std::vector<uint8_t> &blob,
                bool replace, std::string *why);
int save_delete(save_kind kind, std::vector<uint8_t> *image, const save_entry &entry,
                std::string *why);
// For the layouts' inserts: the entry whose stored name bytes equal name
// (as many as its key holds) is deleted from *image when replace is set;
// VMK_FAILED, image untouched, when there is one and replace is not set.
int save_drop_same_name(save_kind kind, std::vector<uint8_t> *image, const save_listing &listing,
                        const uint8_t *name, bool replace, std::string *why);
// An empty image as the console formats it.
std::vector<uint8_t> save_format(save_kind kind);
// The entry's name bytes as the listing shows them.
std::string save_printable_name(const uint8_t *bytes, size_t length);
