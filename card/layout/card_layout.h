// The card layout: partition table checks, the chain of management-area
// blocks, and the card context through which every card command works.
//
// A context lives for one command on one worker thread. It holds one block of
// the chain at a time; moving to another block (managearea_read, _select,
// _append) discards the previous block's in-memory state, so a command writes
// a block before it moves on. Every operation reports its failures to the
// context's log sink and returns false; a failed seek, read or write after the
// card was opened fails the command and is never ignored.
#pragma once

#include <cstdint>
#include <vector>

#include "card/imagelist/list_render.h"
#include "card/store/disk_handle.h"
#include "core/log.h"

enum : uint32_t {
    CARD_DISC_SLOTS = LIST_SLOT_COUNT,  // records per block, order positions, list lines
    CARD_NAME_SIZE = 512,       // one name sector
    CARD_CHAIN_LIMIT = 10,      // a chain holds fewer blocks than this
    CARD_PARTITION0_START = 1,  // the FAT12 partition
    CARD_PARTITION0_SECTORS = 4096,
    CARD_PARTITION1_START = 4097,  // type 0xDA: the block chain
    MANAGEAREA_HEADER_BYTES = 1024,
    MANAGEAREA_INIT_BYTES = 8192,  // zeroed when a block is created
    MANAGEAREA_RECORDS_AT = 64,
    CARD_SETTINGS_SECTOR = 5,  // of the index disc's area
    CARD_SETTINGS_BYTES = 2048,
    CARD_DISC_LENGTH_LIMIT = 0x01000000,  // lengths are stored in 24 bits
};

struct disc_entry {
    uint8_t flags;  // bit 7: HuCard ROM entry
    uint8_t romconfig[2];
    uint32_t offset;            // sectors from the block's own sector
    uint32_t length;            // sectors
    char name[CARD_NAME_SIZE];  // always NUL-terminated
    uint32_t config;
};

struct command_arguments;

// The option that skips reading the written areas back after an add or an
// overwrite.
#define CARD_NO_VERIFY "--no-verify"
// An IPS or BPS file applied to a HuCard ROM before it is added.
#define CARD_PATCH "--patch"

struct card_context {
    disk_handle *disk;
    log_sink *log;
    const char *drive;
    // The user confirmed a destructive step that is otherwise refused (a
    // format over a file system that cannot be listed).
    bool force;
    // The command's options as the dispatcher split them (read them with
    // command_option_given); nullptr outside a dispatched command.
    const command_arguments *arguments;
    uint8_t version;
    uint32_t first_block;     // partition #1's first sector
    uint32_t partition_size;  // partition #1's sector count
    uint32_t used;            // sectors of partition #1 in use, over the whole chain
    uint32_t managearea_num;  // blocks in the chain
    uint32_t block;           // sector of the current block
    uint32_t managearea_lba_next;
    uint32_t disc_amount;
    uint32_t disc_manage_max;
    disc_entry entries[CARD_DISC_SLOTS];
    uint8_t order[CARD_DISC_SLOTS];
};

inline bool disc_is_rom(const disc_entry &e) { return (e.flags & 0x80) != 0; }

// Opens the card of c->drive and reads the chain; true with the disk open and
// the first block in the context, false with the disk closed.
bool card_open(card_context *c);
// The same for a command that only reads: the card is opened read-only.
bool card_open_to_read(card_context *c);
// Reads, validates and parses the block at sector s (used is not changed).
bool managearea_read(card_context *c, uint32_t s);
// Block number b of the chain (0 = first).
bool managearea_select(card_context *c, uint32_t b);
// Writes a fresh empty block at sector s, its capacity chosen from available.
bool managearea_init(card_context *c, uint32_t available, uint32_t s);
// Creates a new block after the current (last, full) block and links it in;
// the context then holds the new block, keeping the starting block's version.
bool managearea_append(card_context *c);
// Shortens the current block on the card to its first amount records and
// ends the chain there, before a command overwrites the areas of the records
// and blocks it drops: header only (the list and "cdlist.txt" follow with the
// commit). Nothing is written when nothing would be dropped. The context's
// records stay; its link becomes 0.
bool managearea_cut(card_context *c, uint32_t amount);
// Commits the current block: index disc list image and settings, then the
// header, then "cdlist.txt" on the FAT partition.
bool managearea_write(card_context *c);
// The current block's slot texts in display order and its settings sector,
// as the image list renderer takes them.
void block_list_texts(const card_context *c, std::vector<char> &texts,
                      std::vector<uint8_t> &settings);
// Normalises the order (records in use first, in their order; the rest
// ascending) and commits the block.
bool order_write(card_context *c);
// Sets the entry's name as its name sector will hold it: at most 511 bytes,
// cut on a UTF-8 character boundary so the image list can convert it.
void entry_name_set(disc_entry *e, const char *text);
// Writes the name sector of an entry (at most 511 bytes of text, cut as
// entry_name_set cuts).
bool name_write(card_context *c, const disc_entry *e, const char *text);

// Lists every image of every block of the card behind drive, blocks in chain
// order and each block in its display order. entry gets the config word with
// its low byte replaced by the kind index. False when the card did not open.
using card_header_callback = void (*)(void *user, uint32_t sector_count, uint32_t blocks);
using card_entry_callback = void (*)(void *user, uint32_t image_number, uint32_t offset,
                                     uint32_t length, uint8_t flags, uint32_t config,
                                     const char *name);
bool card_enumerate(log_sink *log, const char *drive, card_header_callback header,
                    void *header_user, card_entry_callback entry, void *entry_user);
