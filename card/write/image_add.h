// Adding and overwriting images on the card: the handlers of "add",
// "add_withname" and "overwrite".
//
// A new image goes into the last block of the chain (or the block and record
// an image number names; adding at a record replaces it and drops the records
// and blocks after it). A block is full when it holds disc_manage_max records
// or its index disc has no room for another track; the next block is then
// appended, up to the chain's limit.
//
// The block header is written last: the disc area first, then the index
// disc's track and TOC, the name sectors, and the commit. A failure or an
// interruption before the commit leaves a card that opens with the images it
// had (an appended empty block may stay). An add that replaces records, or
// adds inside the chain, first cuts the block's header to the records before
// it (dropping the later blocks), so that no listed record's area is ever
// overwritten. An overwrite rewrites a listed record in place and cannot be
// made safe that way: it says so before it writes.
#pragma once

#include <cstdint>
#include <vector>

#include "card/cdimage/image_input.h"
#include "card/layout/card_args.h"

#include "core/status.h"

struct card_context;

struct add_request {
    int name_index;    // argument holding the name; 0: the prefix (or the description's name)
    int number_index;  // argument holding the image number
    bool number_given;
    bool strict;     // warn about Q position jumps of 3 frames instead of 75
    bool overwrite;  // the record must exist and keeps its place and size
    const char *name = nullptr;  // when given, stored instead of the argument's name
};

// v[0] is the prefix. VMK_OK, or VMK_FAILED with a message.
int image_add(card_context *c, int argc, const char *const *v, const add_request &r);

// An input opened elsewhere (a disc of another card, an archive's member),
// added after the chain's last image as an add without a number adds it,
// under name; a ROM's bytes are in in.rom. *placed gets the block and record
// it went to. VMK_OK, or VMK_FAILED with a message.
int image_add_input(card_context *c, image_input &in, const char *name, bool strict,
                    image_number *placed);

// Disk sectors of a new index disc for a block of disc_manage_max records.
uint32_t index_disc_sectors(uint32_t disc_manage_max);
