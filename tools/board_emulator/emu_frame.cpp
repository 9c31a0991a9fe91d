#include "tools/board_emulator/emu_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

constexpr uint16_t EMPTY = 0x100;
constexpr int LINES = 263;

// Pixels a line record of k stream words decodes to (the board sizes its
// records by the same rule).
int pixels_for_stream_words(int k) { return k <= 0 ? 0 : (3 + 15 * (k - 1)) / 9 + 1; }

int div_of(uint16_t flags) { return ((flags >> 12) & 3) + 1; }

void append(std::vector<uint8_t> &out, const std::vector<uint8_t> &more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::vector<uint8_t> colour_table_line(int y, uint16_t flags) {
    std::vector<uint16_t> pixels{EMPTY};
    for (int k = 0; k < 256; k++) pixels.push_back(emu_frame_colour_word(256 * y + k));
    return emu_frame_record(emu_frame_encode_line(flags, pixels));
}

// The test picture: eight colour bars over a grey ramp, a sprite square in the
// middle. (px, py) inside the 256 x 240 rectangle.
uint16_t test_picture(int px, int py) {
    if (px >= 104 && px < 152 && py >= 96 && py < 144)
        return (px >= 120 && px < 136 && py >= 112 && py < 128) ? EMU_SPRITE_INNER : EMU_SPRITE;
    if (py < 160) return static_cast<uint16_t>(EMU_WHITE + px / 32);
    return static_cast<uint16_t>(9 + px / 16);
}

struct frame_plan {
    bool palette = true;
    std::function<uint16_t(int y)> flags;
    int first_picture_line = 20;
    int picture_lines = 240;
    int lines = LINES;  // line records sent
    bool end_marker = false;
};

std::vector<uint8_t> picture_line(const frame_plan &plan, int y) {
    uint16_t flags = plan.flags(y);
    int width = std::min(1365 / div_of(flags), 681);
    std::vector<uint16_t> pixels(width, EMPTY);
    int py = y - plan.first_picture_line;
    if (py >= 0 && py < plan.picture_lines)
        for (int px = 0; px < 256; px++) pixels[32 + px] = test_picture(px, py);
    return emu_frame_record(emu_frame_encode_line(flags, pixels));
}

std::vector<uint8_t> build(const frame_plan &plan) {
    std::vector<uint8_t> out;
    if (plan.palette) append(out, emu_frame_palette_record());
    for (int y = 0; y < plan.lines; y++)
        append(out, y < 2 ? colour_table_line(y, plan.flags(y)) : picture_line(plan, y));
    if (plan.end_marker) out.push_back('@');
    return out;
}

frame_plan rect_plan() {
    frame_plan plan;
    plan.flags = [](int) -> uint16_t { return EMU_LINE_263 | EMU_LINE_DIV2; };
    return plan;
}

// A valid start (palette, colour table, lines 2..lines-1 of rect) for the
// malformed streams.
std::vector<uint8_t> rect_start(int lines) {
    frame_plan plan = rect_plan();
    plan.lines = lines;
    return build(plan);
}

}  // namespace

std::vector<uint16_t> emu_frame_encode_line(uint16_t flags, const std::vector<uint16_t> &pixels) {
    int k = 1;
    while (pixels_for_stream_words(k) < static_cast<int>(pixels.size())) k++;
    std::vector<uint16_t> padded = pixels;
    padded.resize(pixels_for_stream_words(k), EMPTY);
    // The bit string, MSB first: 3 bits in the header word, 15 per stream word.
    std::vector<bool> bits(3 + 15 * k, false);
    size_t at = 0;
    for (uint16_t p : padded)
        for (int b = 8; b >= 0; b--) bits[at++] = (p >> b) & 1;
    auto take = [&](size_t from, int n) {
        uint16_t v = 0;
        for (int i = 0; i < n; i++) v = static_cast<uint16_t>((v << 1) | bits[from + i]);
        return v;
    };
    // Bits 11-3 of the header and bit 15 of stream words carry nothing; fill
    // them so a decoder that reads them shows it.
    std::vector<uint16_t> words{static_cast<uint16_t>((flags & 0xF000) | 0x0AA8 | take(0, 3))};
    for (int w = 0; w < k; w++)
        words.push_back(static_cast<uint16_t>(take(3 + 15 * w, 15) | ((w & 1) ? 0x8000 : 0)));
    words.push_back(0xFFFF);
    return words;
}

std::vector<uint8_t> emu_frame_record_bytes(const std::vector<uint8_t> &payload) {
    std::vector<uint8_t> out;
    out.reserve(3 + payload.size());
    out.push_back('%');
    out.push_back(static_cast<uint8_t>(payload.size()));
    out.push_back(static_cast<uint8_t>(payload.size() >> 8));
    append(out, payload);
    return out;
}

std::vector<uint8_t> emu_frame_record(const std::vector<uint16_t> &words) {
    std::vector<uint8_t> payload;
    for (uint16_t w : words) {
        payload.push_back(static_cast<uint8_t>(w));
        payload.push_back(static_cast<uint8_t>(w >> 8));
    }
    return emu_frame_record_bytes(payload);
}

std::vector<uint8_t> emu_frame_palette_record() {
    std::vector<uint8_t> payload{'P', 'b', 'P', 'r', 'Y', 0xA9};
    for (int i = 0; i < 512; i++) {
        double r = ((i >> 3) & 7) * 255 / 7, g = ((i >> 6) & 7) * 255 / 7, b = (i & 7) * 255 / 7;
        double y = 0.299 * r + 0.587 * g + 0.114 * b;
        auto five = [](double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 31L)); };
        int y5 = five(y / 8), pr5 = five((r - y) / 1.402 / 8 + 16),
            pb5 = five((b - y) / 1.772 / 8 + 16);
        uint16_t word = static_cast<uint16_t>(y5 | (pr5 << 5) | (pb5 << 10));
        payload.push_back(static_cast<uint8_t>(word));
        payload.push_back(static_cast<uint8_t>(word >> 8));
    }
    return emu_frame_record_bytes(payload);
}

uint16_t emu_frame_colour_word(int c) {
    auto word = [](int r, int g, int b) { return static_cast<uint16_t>(r << 6 | g << 3 | b); };
    static const uint16_t bars[8] = {word(7, 7, 7), word(7, 7, 0), word(0, 7, 7), word(0, 7, 0),
                                     word(7, 0, 7), word(7, 0, 0), word(0, 0, 7), word(0, 0, 0)};
    if (c >= EMU_WHITE && c <= EMU_BLACK) return bars[c - EMU_WHITE];
    if (c >= 9 && c < 25) return word((c - 9) / 2, (c - 9) / 2, (c - 9) / 2);
    if (c == EMU_SPRITE) return word(7, 4, 0);
    if (c == EMU_SPRITE_INNER) return word(7, 7, 5);
    return static_cast<uint16_t>(c & 0x1FF);
}

const char *const emu_frame_names[] = {"rect",      "mixed",      "early",        "no-picture",
                                       "too-large", "bad-marker", "short-record", "long-record",
                                       "div1",      "cut",        nullptr};

std::vector<uint8_t> emu_frame_stream(const std::string &name) {
    if (name == "rect") return build(rect_plan());
    if (name == "mixed") {
        frame_plan plan = rect_plan();
        plan.flags = [](int y) -> uint16_t {
            return EMU_LINE_263 | (y >= 100 && y < 140 ? EMU_LINE_DIV3 : EMU_LINE_DIV2);
        };
        return build(plan);
    }
    if (name == "early") {
        frame_plan plan;
        plan.palette = false;
        plan.flags = [](int) -> uint16_t { return EMU_LINE_DIV4; };
        plan.lines = 150;
        plan.end_marker = true;
        return build(plan);
    }
    if (name == "no-picture") {
        frame_plan plan = rect_plan();
        plan.picture_lines = 0;
        return build(plan);
    }
    if (name == "too-large") {
        std::vector<uint8_t> out = rect_start(5);
        append(out, emu_frame_record_bytes(std::vector<uint8_t>(1031, 0)));
        return out;
    }
    if (name == "bad-marker") {
        std::vector<uint8_t> out = rect_start(10);
        out.push_back('Z');
        return out;
    }
    if (name == "short-record" || name == "long-record" || name == "div1") {
        std::vector<uint8_t> out = rect_start(5);
        std::vector<uint16_t> words(name == "short-record"  ? 1
                                    : name == "long-record" ? 412
                                                            : 100,
                                    0x5000);
        if (name == "div1") words[0] = EMU_LINE_263;
        append(out, emu_frame_record(words));
        return out;
    }
    if (name == "cut") {
        std::vector<uint8_t> out = rect_start(5);
        std::vector<uint8_t> line = picture_line(rect_plan(), 5);
        out.insert(out.end(), line.begin(), line.begin() + 100);
        return out;
    }
    return {};
}

std::shared_ptr<emu_frame_log> emu_frame_serve(board_emulator &board, std::vector<uint8_t> stream) {
    auto log = std::make_shared<emu_frame_log>();
    board.hooks.frame_capture = [log, stream](emu_link &link) {
        log->captures++;
        bool palette_sent = false;
        int line_records = 0;
        size_t at = 0;
        while (at < stream.size()) {
            size_t length = at + 3 <= stream.size() ? stream[at + 1] | (stream[at + 2] << 8) : 0;
            if (stream[at] != '%' || at + 3 + length > stream.size()) {
                // An end marker, a malformed tail or a cut record: out as it is.
                link.send(stream.data() + at, stream.size() - at, true);
                return;
            }
            if (!link.send(stream.data() + at, 3 + length, true)) return;
            at += 3 + length;
            if (length == 1030 && !palette_sent) {
                palette_sent = true;
                continue;
            }
            if (++line_records % 8 != 0) continue;
            uint8_t reply;
            if (!link.read_byte(reply)) return;
            if (reply == 'B')
                log->flow_bytes++;
            else
                log->bad_flow++;
        }
    };
    return log;
}
