// The check word of a 12-byte subchannel Q frame: CRC-16 (polynomial 0x1021,
// initial value 0, most significant bit first) of bytes 0 to 9, inverted, and
// stored high byte first in bytes 10 and 11.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int Q_FRAME_SIZE = 12;

uint16_t cd_crc16(const uint8_t *data, size_t length);
// The same CRC, not inverted, continued from crc (0xFFFF starts the check
// words of compressed disc images).
uint16_t crc16_ccitt(uint16_t crc, const uint8_t *data, size_t length);
void q_crc_store(uint8_t q[Q_FRAME_SIZE]);
bool q_crc_ok(const uint8_t q[Q_FRAME_SIZE]);
