// Building a whole 2352-byte Mode 1 sector around 2048 bytes of user data:
// sync pattern, header, EDC and the P and Q parity of the layered error
// correction, as a pressed disc carries them.
#pragma once

#include <cstdint>

// The 12 bytes that open every data sector.
inline constexpr uint8_t SECTOR_SYNC[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};

// sector[16..2063] holds the user data; fills the rest. absolute_frame is the
// sector's position (LBA + 150) for the header.
void mode1_sector_complete(uint8_t sector[2352], uint32_t absolute_frame);
// Sync and header only (Mode 2 sectors the program generates, zero data).
void sector_header(uint8_t sector[2352], uint32_t absolute_frame, uint8_t mode);
// Sync pattern and P and Q parity around the header, data and EDC already
// in place (sectors kept with those parts stripped).
void sector_sync_and_parity(uint8_t sector[2352]);
