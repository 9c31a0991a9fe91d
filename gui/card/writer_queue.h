// The writer page's queue: entries of a name and an image file, shown as
// rows "name `prefix" but never parsed back, the checks a ROM file must pass
// before it is queued, and CSV image lists (file, tab, name per line).
#pragma once

#include <string>
#include <vector>

#include "core/log.h"

// True for a CD description (.cdm or .ccd, either case); the add command
// takes those by prefix and ROM files by their whole name.
bool is_cd_description(const std::string &path);
// True for a cue sheet or a CHD file (.cue, .chd, either case) and for a
// .zip or .7z (perhaps with ":member" after it), which the add command takes
// by its whole name like a ROM file, but which is checked there, not here.
bool is_whole_disc_file(const std::string &path);
// A ROM file must exist, hold a multiple of 0x2000 bytes and at most
// 0x100000. False with the file name and the reason in the log.
bool rom_file_check(log_sink *log, const std::string &path);
struct writer_queue_entry {
    std::string name;        // the name written to the card
    std::string image_file;  // what the add command takes: a CD set's prefix, a ROM file
};
// Checks the file and makes its queue entry; name empty: the file's own name.
// False (and no entry) when the check fails.
bool writer_queue_entry_make(log_sink *log, const std::string &path, const std::string &name,
                             writer_queue_entry *entry);
// The row the queue shows for an entry.
std::string writer_queue_text(const writer_queue_entry &entry);

struct csv_list_line {
    std::string path;  // relative paths are taken from the list's folder
    std::string name;
};
// Reads an image list; lines without a tab name no image and are skipped.
// A listed file that does not exist is logged and left out. False with
// "could not open:" when the list cannot be read.
bool csv_list_read(log_sink *log, const std::string &list_path, std::vector<csv_list_line> *lines);
