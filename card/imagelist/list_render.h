// Image list rendering without the card: the slot texts of a management-area
// block drawn as the bitmap the board shows, placed with the block's settings
// sector into the raw sectors of the block's index disc.
//
// Slot text p (one per order position) starts with a marker: "0" for text
// drawn as it is (empty slots pass "0[%02d]"), "1" for a HuCard and "2" for a
// CD entry, drawn after two spaces. Texts are UTF-8; slots 0..67 fill the four
// planes of the first page (17 lines each), slots 68..99 those of the second
// (8, 9, 8 and 7 lines).
#pragma once

#include <cstdint>

#include "card/imagelist/list_image.h"
#include "core/log.h"

enum { LIST_SLOT_COUNT = 100, LIST_SLOT_TEXT_SIZE = 512 };

// Builds the 51200-byte list image. texts holds count slots of size bytes,
// each read up to its first zero byte and at most 511 bytes; slots from count
// to 99 stay blank. settings (settings_size bytes, at most 2048) is padded with
// zeros. Conversion problems are reported and never fail the rendering.
// Returns 1, or 0 with a message when an argument is unusable or the text
// converters cannot be opened.
int build_list_image(log_sink *log, const char *texts, int count, int size, const uint8_t *settings,
                     int settings_size, uint8_t list[LIST_IMAGE_SIZE]);

// The same, wrapped into raw sectors 1..25 of raw, which holds the first 256
// raw sectors of the index disc; the other sectors keep their bytes. raw is
// untouched on failure.
int render_list_sectors(log_sink *log, const char *texts, int count, int size,
                        const uint8_t *settings, int settings_size, uint8_t raw[LIST_RAW_BYTES]);
