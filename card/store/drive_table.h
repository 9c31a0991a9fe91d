// Drive table: the letters under which cards are known to the card commands.
// Linux has no drive letters, so this table hands them out:
//   - removable disks that qualify as cards (platform/drives.h) get letters
//     from D upward in the order of their kernel names; a refresh keeps the
//     letters of disks still present, so a card inserted later does not move
//     the others; where the system names disks by letter (Windows) a disk
//     keeps the system's letter;
//   - card image files the window's chooser registers get letters from Z
//     downward (the command line opens them by path: drive_resolve);
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

// Exactly one character, a letter A to Z in either case.
bool drive_letter_check(log_sink *log, const char *drive);

// Rescans the removable disks (block-device entries only).
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

// The rule for a drive argument: a text that contains '/' or names an
// existing regular file is a card image path, not a letter. An image file is
// opened by its path; letters name the system's drives and what the window's
// chooser registered.
bool drive_argument_is_image(const char *text);
// A drive argument to its entry: a card image path (an entry with no letter),
// or a letter (its first character), found after a rescan of the removable
// disks. False with a message when it names no card.
bool drive_resolve(log_sink *log, const char *drive, drive_entry *out);
// The argument's syntax, before anything is opened: a letter, or the path of
// an existing regular file. False with a message.
bool drive_argument_check(log_sink *log, const char *drive);
// Whether two resolved entries are one card: the same letter, or image
// files that are the same file.
bool drive_same_card(const drive_entry &a, const drive_entry &b);
// How messages name it: "E:" or the image's path as given.
std::string drive_display_name(const char *drive);
