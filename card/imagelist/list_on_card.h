// Image list rendering on the card: the list and settings sector of a block
// written into its index disc (see card/imagelist/list_render.h for the drawing).
#pragma once

#include <cstdint>

#include "card/store/disk_handle.h"
#include "card/imagelist/list_render.h"
#include "core/log.h"

// Reads the first 256 raw sectors of the index disc (the disk's relative point
// must be at its start), renders and writes them back. Returns 1, or 0 with a
// message when rendering fails or the index disc cannot be read or written
// (after a failed read nothing is written).
int render_image_list(disk_handle *disk, log_sink *log, const char *texts, int count, int size,
                      const uint8_t *settings, int settings_size);
