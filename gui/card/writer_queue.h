// The writer page's queue: rows "name `prefix", the checks a ROM file must
// pass before it is queued, and CSV image lists (file, tab, name per line).
#pragma once

#include <string>
#include <vector>

#include "core/log.h"

// True for a CD description (.cdm or .ccd, either case); the add command
// takes those by prefix and ROM files by their whole name.
bool is_cd_description(const std::string &path);
// True for a cue sheet or a CHD file (.cue, .chd, either case), which the
// add command takes by its whole name like a ROM file, but which is checked
// there, not here.
bool is_whole_disc_file(const std::string &path);
// A ROM file must exist, hold a multiple of 0x2000 bytes and at most
// 0x100000. False with the file name and the reason in the log.
bool rom_file_check(log_sink *log, const std::string &path);
// Checks the file and makes its queue row; name empty: the file's own name.
// False (and no row) when the check fails.
bool writer_queue_row(log_sink *log, const std::string &path, const std::string &name,
                      std::string *row);
// Splits a row at its first backquote: the name without trailing blanks and
// the image file for the add command.
void writer_queue_split(const std::string &row, std::string *name, std::string *image_file);

struct csv_list_line {
    std::string path;  // relative paths are taken from the list's folder
    std::string name;
};
// Reads an image list; lines without a tab name no image and are skipped.
// A listed file that does not exist is logged and left out. False with
// "could not open:" when the list cannot be read.
bool csv_list_read(log_sink *log, const std::string &list_path, std::vector<csv_list_line> *lines);
