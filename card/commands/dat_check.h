// Images checked against a DAT: files on the computer (cue sheets, image
// sets, compressed discs, HuCard ROMs) and images stored on the card. A
// disc's track files are hashed in the dump groups' layout and judged by
// dat/disc_check; a ROM is matched as a dump is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "core/log.h"
#include "dat/dat_file.h"
#include "dat/disc_check.h"

struct card_context;

struct dat_check_report {
    std::string input;  // the file name, or "#5" for a stored image
    uint32_t image_number = 0;  // a stored image's
    bool rom = false;
    dat_match rom_match{};              // a ROM's result
    std::vector<disc_track_sum> tracks;  // a disc's track files
    disc_result disc{};
};

// The DAT read for inputs of the given kinds; false with "DAT <path>: why"
// in the log when it does not read or lists nothing for them.
bool dat_check_load(log_sink *log, const char *path, bool discs, bool roms, dat_catalog *out);

// Whether a file argument names a disc (.cue, .chd, .ccd, .cdm, or the
// prefix of an image set or sheet, as the add takes it, or an archive
// holding a disc) rather than a HuCard ROM.
bool dat_check_names_disc(const char *file);

// false with a message when the input cannot be read (a ROM may sit in a
// .zip or .7z, as may a disc).
bool dat_check_file(log_sink *log, const dat_catalog &dat, const char *file, dat_check_report *out);
bool dat_check_source(log_sink *log, const dat_catalog &dat, const disc_description *d,
                      cd_source *source, dat_check_report *out);
// Record e of c's current block (open, read-only is enough).
bool dat_check_stored(card_context *c, const dat_catalog &dat, uint32_t e, dat_check_report *out);
// The images of the card behind drive that which names: "#N" (or N) or
// "all" (every image but the blocks' index discs), in the card's order; each
// report's input is "#N". false with a
// message when the card or an image cannot be read (the reports so far
// stay in *out).
bool dat_check_card(log_sink *log, const char *drive, const dat_catalog &dat,
                    const std::vector<std::string> &which, std::vector<dat_check_report> *out);

// Every image's verdict (dat_check_verdict) into rows' dat fields, the index
// discs' left empty. false with a message when the card or an image cannot
// be read.
struct card_list;
bool dat_check_list(log_sink *log, const char *drive, const dat_catalog &dat, card_list *rows);

// For a ROM file the DAT does not know: whether the BPS patch made it from
// one it does. *line says "patched from <title>" or why not; false when not
// (or with a message when the file cannot be read).
bool dat_check_patch_origin(log_sink *log, const dat_catalog &dat, const char *file,
                            const char *patch, std::string *line);

// The DAT's title for the input, "" when nothing matched.
std::string dat_check_title(const dat_check_report &r);
// A disc's verdict ("verified", "partly", "unknown"); a ROM's "verified",
// "bad dump" or "unknown".
std::string dat_check_verdict(const dat_check_report &r);
bool dat_check_verified(const dat_check_report &r);
// The command's lines: "<input>: <title>", a line a track, the disc line.
std::string dat_check_text(const dat_check_report &r);
// One JSON object a line.
std::string dat_check_json(const dat_check_report &r);
