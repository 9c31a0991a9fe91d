// The description file (.ccd) of an image set, written from a disc's TOC:
// the entries as the card's adds read them back, and the track sections
// other readers of the format go by.
#pragma once

#include <string>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"

// The text; false with a message when a track's first sector does not read
// (its mode comes from its sector header).
bool ccd_text(log_sink *log, const disc_description *d, cd_source *source, std::string *text);
