// Binary-coded decimal helpers for CD positions (minute, second, frame).
// A CD second has 75 frames; positions run up to 99:59:74.
#pragma once

#include <cstdint>

inline constexpr int CD_FRAMES_PER_SECOND = 75;
inline constexpr int CD_FRAMES_PER_MINUTE = 60 * 75;
inline constexpr int CD_PREGAP_FRAMES = 150;             // 00:02:00, where track 1 starts
inline constexpr int CD_POSITION_LIMIT = 100 * 60 * 75;  // first frame count that has no MSF

// v must be below 100.
uint8_t bcd_from_bin(uint8_t v);
// Decodes both digits as they are; a byte that is not BCD gives a value up
// to 165 rather than an error, which callers bound-check.
uint8_t bcd_to_bin(uint8_t v);
// True when minute < 100, second < 60 and frame <= 74.
bool msf_in_range(long minute, long second, long frame);
// Checks a binary triple and converts it to BCD in place; false (triple
// unchanged) when it is out of range.
bool msf_to_bcd(uint8_t msf[3]);
// False when f names minute 100 or later.
bool frames_to_msf(uint32_t f, uint8_t msf[3]);
uint32_t msf_to_frames(const uint8_t msf[3]);
