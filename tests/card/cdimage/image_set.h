// Small synthetic CD image sets for the tests: description texts, Q frames,
// and prefix.img / prefix.sub files built sector by sector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One TOC entry of a description file, binary values as written in the file.
struct entry_spec {
    long point;
    long control;
    long pmin, psec, pframe;
    long amin = 0, asec = 0, aframe = 0;
};

// A complete description: header lines ("[CloneCD]\nVersion=3\n" and the
// like), a [Disc] section and one [Entry n] section per entry.
std::string description_text(const std::string &header, const std::vector<entry_spec> &entries);

// Sets key in section to value (adding the line when missing); a null value
// removes the line.
std::string with_key(std::string text, const std::string &section, const std::string &key,
                     const char *value);

// A position Q frame: control and ADR 1, track and index in BCD, relative and
// absolute times from frame counts; correct CRC.
std::vector<uint8_t> q_position(uint8_t control, int track, int index, uint32_t relative,
                                uint32_t absolute);

// One sector of an image set: its Q frame and a fill byte for its main data.
struct sector_spec {
    std::vector<uint8_t> q;
    uint8_t fill;
};

// Sectors of one track from absolute frame start (PLBA + 150); the main data
// of its sector i is filled with fill + i.
void add_track(std::vector<sector_spec> *sectors, uint8_t control, int track, uint32_t start,
               uint32_t count, uint8_t fill);

// Writes prefix.img and prefix.sub.
void write_image(const std::string &prefix, const std::vector<sector_spec> &sectors);
void write_text(const std::string &name, const std::string &text);
