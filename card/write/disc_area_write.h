// Writing a CD image set into its disc area on the card.
//
// Layout of the area (stored sectors of 2448 bytes, see stored_sector.h):
// 150 pregap sectors filled with 0x55 that carry the image's TOC as Q frames
// from byte 96; the image's n sectors with their subchannel (Q checked and
// repaired, then in the block's layout) and their main bytes (16-bit words
// swapped in audio sectors); one lead-out sector. The last disk sector is
// padded with 0xAA.
#pragma once

#include <cstdint>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/cd_source.h"
#include "card/store/disk_handle.h"
#include "core/log.h"

// Disk sectors the area of an image of n sectors takes:
// (n + 151) stored sectors rounded up to whole disk sectors.
uint64_t cd_area_sectors(uint64_t n);

// Writes the disc's stored sectors from the absolute sector area on. Reads
// every sector of source. strict: warn about jumps of 3
// frames in the Q positions instead of 75. The progress gauge counts the
// area's stored sectors. 1 for success, 0 with a message (the TOC has no
// lead-out entry, a file cannot be read, "write error").
int cd_image_write(disk_handle *disk, uint32_t area, const disc_description *d, log_sink *log,
                   cd_source *source, subchannel_transform transform, bool strict);
