#include "tests/card/cdimage/cue_discs.h"

#include <random>

#include "tests/card/cdimage/image_set.h"

const std::vector<cue_disc_case> &cue_disc_cases() {
    static const std::vector<cue_disc_case> cases = {
        {"one file: data, then audio with INDEX 00 and a third index",
         "FILE \"all tracks.bin\" BINARY\r\n"
         "  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
         "  TRACK 02 AUDIO\r\n    INDEX 00 00:02:00\r\n    INDEX 01 00:04:00\r\n"
         "    INDEX 02 00:04:10\r\n",
         {{"all tracks.bin", 400, 2352}},
         400,
         {{0, 1, 1, 4, 0}, {150, 2, 0, 0, 300}, {300, 2, 1, 0, 300}, {310, 2, 2, 0, 300}}},
        {"a file per track: PREGAP and POSTGAP around a MODE1/2048 track",
         "REM generated\nCATALOG 0000000000000\nFILE t1.bin BINARY\nTRACK 01 AUDIO\n"
         "ISRC ABCDE1234567\nINDEX 01 00:00:00\n"
         "FILE t2.bin BINARY\nTRACK 02 MODE1/2048\nPREGAP 00:02:00\nINDEX 01 00:00:00\n"
         "POSTGAP 00:01:00\n"
         "FILE t3.bin BINARY\nTRACK 03 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:00:20\n",
         {{"t1.bin", 100, 2352}, {"t2.bin", 80, 2048}, {"t3.bin", 50, 2352}},
         455,
         {{0, 1, 1, 0, 0},
          {100, 2, 0, 4, 250},
          {250, 2, 1, 4, 250},
          {405, 3, 0, 0, 425},
          {425, 3, 1, 0, 425}}},
        {"audio, then data whose three-second pregap starts with audio control",
         "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
         "FILE b.bin BINARY\nTRACK 02 MODE1/2352\nINDEX 00 00:00:00\nINDEX 01 00:03:00\n",
         {{"a.bin", 100, 2352}, {"b.bin", 325, 2352}},
         425,
         {{0, 1, 1, 0, 0}, {100, 2, 0, 0, 325}, {175, 2, 0, 4, 325}, {325, 2, 1, 4, 325}}},
        {"data, then MOTOROLA audio with DCP and PRE flags",
         "FILE d.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n"
         "FILE \"m\xC3\xBCsik.bin\" MOTOROLA\nTRACK 02 AUDIO\nFLAGS DCP PRE\n"
         "INDEX 00 00:00:00\nINDEX 01 00:02:00\n",
         {{"d.bin", 60, 2352}, {"m\xC3\xBCsik.bin", 190, 2352}},
         250,
         {{0, 1, 1, 4, 0}, {60, 2, 0, 3, 210}, {210, 2, 1, 3, 210}}},
    };
    return cases;
}

std::vector<uint8_t> cue_file_bytes(const cue_bin_file &f) {
    std::seed_seq seed(f.name.begin(), f.name.end());
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size_t{f.sectors} * f.sector_size);
    for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

std::string write_cue_disc(const std::string &folder, const cue_disc_case &c) {
    for (const cue_bin_file &f : c.files) {
        std::vector<uint8_t> bytes = cue_file_bytes(f);
        write_text(folder + "/" + f.name, std::string(bytes.begin(), bytes.end()));
    }
    std::string sheet = folder + "/disc.cue";
    write_text(sheet, c.sheet);
    return sheet;
}
