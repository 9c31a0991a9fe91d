#include "card/cdimage/bcd.h"

uint8_t bcd_from_bin(uint8_t v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

uint8_t bcd_to_bin(uint8_t v) { return static_cast<uint8_t>((v >> 4) * 10 + (v & 0x0F)); }

bool msf_in_range(long minute, long second, long frame) {
    return minute >= 0 && minute < 100 && second >= 0 && second < 60 && frame >= 0 &&
           frame < CD_FRAMES_PER_SECOND;
}

bool msf_to_bcd(uint8_t msf[3]) {
    if (!msf_in_range(msf[0], msf[1], msf[2])) return false;
    for (int i = 0; i < 3; i++) msf[i] = bcd_from_bin(msf[i]);
    return true;
}

bool frames_to_msf(uint32_t f, uint8_t msf[3]) {
    if (f >= CD_POSITION_LIMIT) return false;
    msf[0] = bcd_from_bin(static_cast<uint8_t>(f / CD_FRAMES_PER_MINUTE));
    msf[1] = bcd_from_bin(static_cast<uint8_t>((f / CD_FRAMES_PER_SECOND) % 60));
    msf[2] = bcd_from_bin(static_cast<uint8_t>(f % CD_FRAMES_PER_SECOND));
    return true;
}

uint32_t msf_to_frames(const uint8_t msf[3]) {
    return bcd_to_bin(msf[0]) * uint32_t{CD_FRAMES_PER_MINUTE} +
           bcd_to_bin(msf[1]) * uint32_t{CD_FRAMES_PER_SECOND} + bcd_to_bin(msf[2]);
}
