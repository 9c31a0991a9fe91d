// The table of contents of a block's index disc (record 0): Q frames from
// byte 96 of its first stored sector, A0, A1 and A2 first, then track n for
// record n. A track's P position is its start, its A triple its length in
// frames (not a running time).
#pragma once

#include <cstddef>
#include <cstdint>

#include "card/cdimage/cd_description.h"

inline constexpr uint32_t INDEX_TOC_AT = 96;
inline constexpr uint32_t INDEX_TOC_READ_BYTES = 1536;  // holds all 102 frames
inline constexpr uint32_t INDEX_FRESH_BYTES = 5120;     // written when the disc is created
inline constexpr uint32_t INDEX_PREVIEW_FRAMES = 375;   // a CD image's track: five seconds

// The frame with the given point among the frames of head (the first
// INDEX_TOC_READ_BYTES of the index disc), or nullptr. Frames end at the
// first one that begins with the fill byte 0x55.
uint8_t *index_toc_find(uint8_t *head, uint8_t point);
// How many frames head holds.
size_t index_toc_count(const uint8_t *head);
