// A disc stored on the card as an input, the way an image set on the PC is
// one: its description rebuilt from the TOC that the area's pregap carries,
// and its sectors as an image set holds them (main bytes as on the disc,
// audio samples little-endian again, subchannel per channel). Extracting,
// hashing and copying a stored disc all read it through this.
#pragma once

#include <cstdint>
#include <memory>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "card/layout/card_layout.h"

struct description_deleter {
    void operator()(disc_description *d) const { description_free(d); }
};
using description_ptr = std::unique_ptr<disc_description, description_deleter>;

struct stored_disc_input {
    description_ptr description;
    std::unique_ptr<cd_source> source;  // reads the card through c->disk while it stays open
};

// Stored sectors [first, first + count) of the disc area starting at the
// absolute sector area, back to back into out (2448 bytes each, counted from
// the area's first stored sector, the pregap's included). False on a failed
// seek or read (no message: the caller names what it was reading).
bool stored_sectors_read(disk_handle *disk, uint32_t area, uint32_t first, uint32_t count,
                         uint8_t *out);

// The disc of record e of c's current block; c must be open and stay open
// while the source is read. False with a message for a HuCard entry, a
// record past the block's amount, an area too short for a disc or a TOC that
// does not read.
bool stored_disc_open(card_context *c, uint32_t e, stored_disc_input *out);
