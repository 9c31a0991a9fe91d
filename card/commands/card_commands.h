// Handlers of the card command table: VMK_OK or VMK_FAILED (core/status.h).
#pragma once

#include <cstdint>

#include "core/status.h"

struct card_context;

// Open step of "format": the card's FAT root must be empty; opens the disk
// with the volume unmounted.
bool format_open(card_context *c);
// For the window's question before a format: the file system on the card's
// partition #0 that format refuses without CARD_FORCE ("NTFS", "ext4", ...),
// or nullptr when there is none or the card cannot be read.
const char *card_foreign_file_system(const char *drive);
int card_format(card_context *c, int argc, const char *const *v);
int card_subswap(card_context *c, int argc, const char *const *v);
int card_order(card_context *c, int argc, const char *const *v);

// Rows whose handlers belong to other parts of the card store.
int card_add(card_context *c, int argc, const char *const *v);
int card_add_withname(card_context *c, int argc, const char *const *v);
int card_overwrite(card_context *c, int argc, const char *const *v);
int card_config(card_context *c, int argc, const char *const *v);
int card_config_single(card_context *c, int argc, const char *const *v);
int card_config_multi(card_context *c, int argc, const char *const *v);
int card_amount_change(card_context *c, int argc, const char *const *v);
int card_rawdump(card_context *c, int argc, const char *const *v);
int card_bkram_read(card_context *c, int argc, const char *const *v);
int card_bkram_multiread(card_context *c, int argc, const char *const *v);
int card_bkram_write(card_context *c, int argc, const char *const *v);
// The backup RAM area (BKRAM_AREA_BYTES) of the image numbered by text, for
// the save commands, which edit it in memory. VMK_FAILED with a message.
int card_area_read(card_context *c, const char *text, uint8_t *area);
int card_area_write(card_context *c, const char *text, const uint8_t *area);
// The CRC listing reads only image files: its open step checks the drive
// letter and leaves the card closed.
bool open_without_card(card_context *c);
int card_mmchash(card_context *c, int argc, const char *const *v);
// The card check opens the disk only: a card whose chain is broken is what
// it is there to look at.
bool check_open(card_context *c);
int card_check_command(card_context *c, int argc, const char *const *v);
// Images back off the card, the card into an archive and back.
int card_extract(card_context *c, int argc, const char *const *v);
int card_backup_command(card_context *c, int argc, const char *const *v);
// Opens no card before the archive is checked whole: the handler opens it.
int card_restore_command(card_context *c, int argc, const char *const *v);
int card_copy_command(card_context *c, int argc, const char *const *v);
