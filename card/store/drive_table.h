// Drive table: the letters under which cards are known to the card commands.
// Linux has no drive letters, so this table hands them out:
//   - removable disks that qualify as cards (platform/drives.h) get letters
//     from D upward in the order of their kernel names; a refresh keeps the
//     letters of disks still present, so a card inserted later does not move
//     the others; where the system names disks by letter (Windows) a disk
//     keeps the system's letter;
//   - card image files registered by path get letters from Z downward;
//   - stores registered by tests (memory or fault-injecting) likewise.
// removable_drive_mask (disk_handle.h) lists every entry that holds a card.
// The table is process-wide and guarded by a lock: the window thread lists
// drives while a worker opens one. Entries are handed out as copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "card/store/sector_store.h"
#include "core/log.h"

enum drive_kind { DRIVE_BLOCK_DEVICE = 1, DRIVE_IMAGE_FILE, DRIVE_STORE };

struct drive_entry {
    char letter = 0;  // 'A' to 'Z'
    drive_kind kind = DRIVE_BLOCK_DEVICE;
    std::string name;   // block device: kernel name ("sdb")
    std::string path;   // device node, or the image file's absolute path
    std::string model;  // block device only
    uint64_t size_bytes = 0;
    bool has_medium = true;             // false: an empty card reader
    std::string first_partition_mount;  // block device: empty when not mounted
    sector_store *store = nullptr;      // DRIVE_STORE: borrowed from the registrant
};

// Rescans the removable disks (block-device entries only).
// Exactly one character, a letter A to Z in either case.
bool drive_letter_check(log_sink *log, const char *drive);

void drive_table_refresh();

// Registers a card image file (a regular file; the name as given, made
// absolute) and returns its letter; the same file registered again keeps its
// letter. 0 with a message in the log when it is no regular file or every
// letter is taken.
char drive_table_register_image(log_sink *log, const char *path);

// Test seam: a store (memory, fault-injecting) becomes a card under a letter,
// so card commands run against it through disk_open unchanged. The caller
// keeps the store and must forget the letter before closing it. 0 when every
// letter is taken.
char drive_table_register_store(sector_store *store);

// The system's disks that are no cards, each with the reason, over the
// table's roots.
std::vector<rejected_disk> drive_table_rejected();

void drive_table_forget(char letter);
bool drive_table_find(char letter, drive_entry *out);  // either case
std::vector<drive_entry> drive_table_entries();        // in letter order

// Tests: scan fake trees instead of the system's (takes effect at the next
// refresh). drive_table_clear forgets every entry and restores the system
// roots.
void drive_table_use_roots(const drive_scan_roots &roots);
drive_scan_roots drive_table_roots();
void drive_table_clear();

// The command line's rule for its drive argument: a text that contains '/'
// or names an existing regular file is a card image path, not a letter.
bool drive_argument_is_image(const char *text);
