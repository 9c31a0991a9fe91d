// The whole card into one archive (see backup_archive_write.h): every image
// in its image set or ROM form, every backup RAM area that holds data, and
// the manifest last, with every member's size and SHA-1. Memory stays
// bounded: a disc's main bytes are streamed, its subchannel (1/25 of its
// area) is held until its main bytes are written.
#pragma once

#include <string>

#include "card/layout/card_layout.h"

// c open. False with a message; the archive then does not appear.
bool card_backup(card_context *c, const std::string &file, const char *program_version);
