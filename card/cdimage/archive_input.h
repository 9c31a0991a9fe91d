// An image argument naming a .zip or .7z file, optionally with a member
// after a colon ("games.zip:disc/game.cue"), read as image_input_read reads
// files on disk. What the archive holds decides: one game (a ROM, a cue
// sheet with its files, an .img/.sub/.ccd set) is taken as it is; several
// are refused with their list unless one is named. Nothing is unpacked to
// disk but a set's description (the INI reader reads files only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/cdimage/image_input.h"

// Whether argument names an archive, with *archive and *inner (empty when
// no member is named) set.
bool archive_argument(const char *argument, std::string *archive, std::string *inner);

// 1 with *in filled, 0 with the reason in the log.
int archive_input_read(log_sink *log, const std::string &archive, const std::string &inner,
                       image_input *in);

// The bytes of a ROM file, or of the ROM inside an archive (its size
// checked against limit only, so that a copier header may stay); false with
// a message.
bool rom_bytes_read(log_sink *log, const char *argument, uint64_t limit, std::vector<uint8_t> *out);
