// Stored CD sectors in a disc area of the card: 96 subchannel bytes, then the
// 2352-byte main sector. Blocks of version 3 keep the subchannel per channel
// (as in a .sub file), blocks of version 4 interleaved.
#pragma once

#include <cstdint>

#include "card/cdimage/cd_description.h"
#include "card/store/disk_handle.h"

inline constexpr uint32_t STORED_SECTOR_SIZE = 2448;
inline constexpr uint32_t STORED_MAIN_AT = 96;
inline constexpr uint32_t STORED_PREGAP_SECTORS = 150;
inline constexpr uint8_t STORED_PREGAP_FILL = 0x55;
inline constexpr uint8_t STORED_LEADOUT_FILL = 0xAA;

// Per-channel to the block's layout: nullptr for version 3 (nothing to do).
subchannel_transform stored_subchannel_transform(uint8_t version);

// A lead-out sector: 0xAA everywhere, P channel set, Q = q, R to W clear,
// then the block's transform (every stored sector of a block has its layout).
void stored_leadout_sector(uint8_t sector[STORED_SECTOR_SIZE], const uint8_t q[Q_FRAME_SIZE],
                           subchannel_transform transform);

// The Q frame of an index disc's lead-out sector: the TOC's A2 frame with
// track 0xAA and index 0, check word recomputed.
void index_leadout_q(const uint8_t a2_frame[Q_FRAME_SIZE], uint8_t q[Q_FRAME_SIZE]);

// Byte position of stored sector f of a disc area.
inline uint64_t stored_sector_byte(uint32_t f) { return uint64_t{f} * STORED_SECTOR_SIZE; }

// Transfers at a sector relative to the disk's relative point (the start of
// the disc area being worked on).
inline bool area_read(disk_handle *disk, uint32_t sector, void *buffer, uint32_t bytes) {
    return disk_seek_relative(disk, sector) && disk_read(disk, buffer, bytes);
}
inline bool area_write(disk_handle *disk, uint32_t sector, const void *buffer, uint32_t bytes) {
    return disk_seek_relative(disk, sector) && disk_write(disk, buffer, bytes);
}
