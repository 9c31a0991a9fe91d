// One game's save at a time: the entries of a backup RAM or Memory Base file,
// or of a card's backup RAM area, listed, copied, deleted; an empty file made.
// For the command line and the window's jobs alike. Each returns 0 when done
// and 1 when refused or failed, with the reason in the log; nothing is written
// unless the whole step succeeds.
#pragma once

#include <string>

#include "core/log.h"
#include "saves/save_file.h"

// Where saves are: a file, or the backup RAM area of image number `image` on
// the card in drive `drive` (a letter).
struct save_place {
    bool card = false;
    std::string file;
    std::string drive;
    std::string image;
};

// "card:<drive>:<image#>" (the image number may carry a '#'; the drive is
// everything up to the last ':', so it may be a path), else a file name.
save_place save_place_parse(const std::string &word);
// "file.sav" or "card E: #5".
std::string save_place_text(const save_place &place);

int save_place_load(log_sink *log, const save_place &place, save_file *out);
int save_place_store(log_sink *log, const save_place &place, const save_file &file);

// The listing as text lines, or as JSON objects one a line: the entries, then
// a summary with the kind, the free bytes and the fault, if any.
std::string save_listing_text(const save_listing &listing, bool json);

int save_command_list(log_sink *log, const save_place &place, bool json);
int save_command_copy(log_sink *log, const save_place &from, const std::string &which,
                      const save_place &to, bool replace);
int save_command_delete(log_sink *log, const save_place &place, const std::string &which);
// Refuses to overwrite an existing file.
int save_command_format(log_sink *log, const char *file, save_kind kind, bool gzip);
