// Frame capture streams for the board emulator: test pictures encoded as the
// board sends them after 'F' 0x02 (palette record, colour table lines 0 and 1,
// picture lines, optional '@'), malformed streams, and the hook that serves
// them with the board's side of the 'B' flow control.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/board_emulator/board_emulator.h"

// Line header bits 15-12.
enum : uint16_t {
    EMU_LINE_GREY = 0x8000,  // palette_select 1
    EMU_LINE_263 = 0x4000,   // 263 lines per frame (262 when clear)
    EMU_LINE_DIV2 = 0x1000,  // divider field 01
    EMU_LINE_DIV3 = 0x2000,
    EMU_LINE_DIV4 = 0x3000,
};

// Words of one line record: header word (flags | first 3 bits), the fewest
// stream words that carry every pixel (padded with empty pixels), and a
// trailing word that is no part of the stream.
std::vector<uint16_t> emu_frame_encode_line(uint16_t flags, const std::vector<uint16_t> &pixels);
// '%', little-endian length, payload.
std::vector<uint8_t> emu_frame_record(const std::vector<uint16_t> &words);
std::vector<uint8_t> emu_frame_record_bytes(const std::vector<uint8_t> &payload);
// "PbPrY" 0xA9 and 512 YPbPr words approximating the default video levels.
std::vector<uint8_t> emu_frame_palette_record();
// The colour word (red bits 8-6, green 5-3, blue 2-0) the test pictures give
// colour number c in the colour table lines.
uint16_t emu_frame_colour_word(int c);
// Colour numbers of the test pictures.
enum { EMU_WHITE = 1, EMU_BLACK = 8, EMU_SPRITE = 257, EMU_SPRITE_INNER = 258 };

// Named streams, or an empty vector for an unknown name:
//   rect         palette, 256 x 240 picture at x 32, y 20, divider 2, 263 lines
//   mixed        as rect, but lines 100-139 use divider 3 (spans still agree)
//   early        no palette record, divider 4, 262-line frame, picture from
//                line 20, '@' after line 149
//   no-picture   every picture line empty
//   too-large    a record longer than 1030 bytes
//   bad-marker   a byte that is neither '%' nor '@' after line 9
//   short-record a line record of 1 word
//   long-record  a line record of 412 words
//   div1         a line with divider field 00
//   cut          a line record whose payload stops short, then silence
std::vector<uint8_t> emu_frame_stream(const std::string &name);
extern const char *const emu_frame_names[];  // ends with nullptr

// What the host did during served captures.
struct emu_frame_log {
    std::atomic<int> captures{0};
    std::atomic<int> flow_bytes{0};  // 'B' bytes received where expected
    std::atomic<int> bad_flow{0};    // other bytes received in their place
};

// Installs hooks.frame_capture (call before start()): every 'F' 0x02 gets the
// stream. After every 8th line record the board waits for the host's 'B'.
std::shared_ptr<emu_frame_log> emu_frame_serve(board_emulator &board, std::vector<uint8_t> stream);
