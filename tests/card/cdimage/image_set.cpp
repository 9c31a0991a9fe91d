#include "tests/card/cdimage/image_set.h"

#include <cstdio>

#include "card/cdimage/bcd.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "platform/files.h"

std::string description_text(const std::string &header, const std::vector<entry_spec> &entries) {
    std::string t =
        header + "[Disc]\nTocEntries=" + std::to_string(entries.size()) + "\nSessions=1\n";
    for (size_t i = 0; i < entries.size(); i++) {
        const entry_spec &e = entries[i];
        char s[512];
        snprintf(s, sizeof s,
                 "[Entry %zu]\nSession=1\nPoint=0x%02lx\nADR=0x01\nControl=0x%02lx\nTrackNo=0\n"
                 "AMin=%ld\nASec=%ld\nAFrame=%ld\nALBA=-150\nZero=0\nPMin=%ld\nPSec=%ld\n"
                 "PFrame=%ld\nPLBA=0\n",
                 i, e.point, e.control, e.amin, e.asec, e.aframe, e.pmin, e.psec, e.pframe);
        t += s;
    }
    return t;
}

std::string with_key(std::string text, const std::string &section, const std::string &key,
                     const char *value) {
    size_t start = text.find("[" + section + "]\n");
    if (start == std::string::npos) return text;
    start = text.find('\n', start) + 1;
    size_t end = text.find("\n[", start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = key + "=";
    for (size_t at = start; at < end;) {
        size_t eol = text.find('\n', at) + 1;
        if (text.compare(at, line.size(), line) == 0) {
            if (value == nullptr)
                text.erase(at, eol - at);
            else
                text.replace(at, eol - at, line + value + "\n");
            return text;
        }
        at = eol;
    }
    if (value != nullptr) text.insert(end, line + value + "\n");
    return text;
}

std::vector<uint8_t> q_position(uint8_t control, int track, int index, uint32_t relative,
                                uint32_t absolute) {
    std::vector<uint8_t> q(Q_FRAME_SIZE, 0);
    q[0] = static_cast<uint8_t>(control | 0x01);
    q[1] = bcd_from_bin(static_cast<uint8_t>(track));
    q[2] = bcd_from_bin(static_cast<uint8_t>(index));
    frames_to_msf(relative, &q[3]);
    frames_to_msf(absolute, &q[7]);
    q_crc_store(q.data());
    return q;
}

void add_track(std::vector<sector_spec> *sectors, uint8_t control, int track, uint32_t start,
               uint32_t count, uint8_t fill) {
    for (uint32_t i = 0; i < count; i++)
        sectors->push_back(
            {q_position(control, track, 1, i, start + i), static_cast<uint8_t>(fill + i)});
}

void write_image(const std::string &prefix, const std::vector<sector_spec> &sectors) {
    FILE *img = stdio_file_open((prefix + ".img").c_str(), "wb");
    FILE *sub = stdio_file_open((prefix + ".sub").c_str(), "wb");
    for (const sector_spec &s : sectors) {
        std::vector<uint8_t> main(2352, s.fill), block(96, 0);
        std::copy(s.q.begin(), s.q.end(), block.begin() + 12);
        fwrite(main.data(), 1, main.size(), img);
        fwrite(block.data(), 1, block.size(), sub);
    }
    fclose(img);
    fclose(sub);
}

// By the platform's opener: sheets name their tracks in UTF-8.
void write_text(const std::string &name, const std::string &text) {
    FILE *f = stdio_file_open(name.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}
