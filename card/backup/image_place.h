// Putting an image described by a backup onto a card: added after the
// chain's last image, then given its name, flags, configuration word and
// backup RAM area; at the end, each block's listing order rebuilt from the
// source card's. Restore and copy both place images this way.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "card/backup/backup_manifest.h"
#include "card/cdimage/image_input.h"
#include "card/layout/card_args.h"
#include "card/layout/card_layout.h"

// A ROM's bytes come in in.rom; sav: its backup RAM area or nullptr.
// *placed: where it went. False with a message.
bool image_place(card_context *c, image_input &in, const manifest_image &g,
                 const std::vector<uint8_t> *sav, image_number *placed);

// After an add that was stopped once its index track was written: the track
// of the record the block's header never listed is dropped again, so that
// the card check finds the card whole.
void index_tidy(card_context *c);

// Record `record` of c's current block given g's flags, configuration word
// and backup RAM area (sav, or nullptr), and the block committed.
bool image_settle(card_context *c, uint32_t record, const manifest_image &g,
                  const std::vector<uint8_t> *sav);

// Every block's listing order from the source's order (source image
// numbers, index discs included), each image found through placed (source
// number to new number); block k's index disc stands where the source's
// block k index disc stood. False with a message.
bool order_place(card_context *c, const std::vector<uint32_t> &order,
                 const std::map<uint32_t, uint32_t> &placed);

// Where the chain of an open card ends, as the adds that follow see it.
struct chain_end {
    uint32_t blocks;          // in the chain
    uint32_t block;           // sector of the last block
    uint32_t capacity;        // its records
    uint32_t records;         // in use (0: no index disc yet)
    uint64_t end;             // sector after its last area
    uint64_t index_used;      // sectors of its index disc in use (about)
    uint32_t used;            // what the adds count as used when a block is appended
    uint32_t disk_sectors;
    uint64_t partition_end;
};
// The chain end of c (open, on its last block).
chain_end chain_end_of(const card_context *c);
// The chain end of a card the format command has just made.
chain_end chain_end_fresh(uint32_t disk_sectors);

// Whether the images fit after end, blocks appended as the adds append
// them; false with a message naming the first image that does not fit.
bool images_fit(log_sink *log, chain_end end, const std::vector<const manifest_image *> &images);
