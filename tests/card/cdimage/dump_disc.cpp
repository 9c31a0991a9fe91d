#include "tests/card/cdimage/dump_disc.h"

#include <cstdio>
#include <random>

#include "tests/card/cdimage/image_set.h"

namespace {

constexpr size_t SECTOR = 2352;

std::string msf(uint64_t frames) {
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(frames / 4500),
             static_cast<unsigned>(frames / 75 % 60), static_cast<unsigned>(frames % 75));
    return text;
}

std::string track_line(const dump_disc &d, size_t k) {
    char text[40];
    snprintf(text, sizeof text, "  TRACK %02zu %s\n", k + 1,
             d.tracks[k].audio ? "AUDIO" : "MODE1/2352");
    return text;
}

std::string index_line(int number, uint64_t frames) {
    return "    INDEX 0" + std::to_string(number) + " " + msf(frames) + "\n";
}

void write_bytes(const std::string &name, const std::vector<uint8_t> &bytes) {
    write_text(name, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

dump_disc dump_disc_mixed() {
    return {{{false, 0, 300}, {true, 150, 2300}, {true, 0, 120}, {true, 75, 175}, {false, 150, 350}},
            7};
}

std::vector<uint8_t> dump_disc_track_bytes(const dump_disc &d, size_t k) {
    std::mt19937 random(d.seed * 100 + static_cast<uint32_t>(k));
    std::vector<uint8_t> bytes(d.tracks[k].sectors * SECTOR);
    for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

std::string dump_disc_track_name(size_t k) {
    char text[32];
    snprintf(text, sizeof text, "Track %02zu.bin", k + 1);
    return text;
}

std::string write_dump_disc(const std::string &folder, const dump_disc &d,
                            dump_disc_layout layout) {
    std::string sheet;
    std::vector<uint8_t> all;
    const size_t n = d.tracks.size();
    for (size_t k = 0; k < n; k++) {
        const dump_disc_track &t = d.tracks[k];
        std::vector<uint8_t> bytes = dump_disc_track_bytes(d, k);
        switch (layout) {
            case LAYOUT_FILE_PER_TRACK:
            case LAYOUT_MOTOROLA_AUDIO: {
                const bool swapped = layout == LAYOUT_MOTOROLA_AUDIO && t.audio;
                if (swapped)
                    for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
                write_bytes(folder + "/" + dump_disc_track_name(k), bytes);
                sheet += "FILE \"" + dump_disc_track_name(k) + "\" " +
                         (swapped ? "MOTOROLA" : "BINARY") + "\n" + track_line(d, k);
                if (t.pregap > 0) sheet += index_line(0, 0);
                sheet += index_line(1, t.pregap);
                break;
            }
            case LAYOUT_ONE_FILE: {
                if (k == 0) sheet += "FILE \"disc.bin\" BINARY\n";
                const uint64_t at = all.size() / SECTOR;
                sheet += track_line(d, k);
                if (t.pregap > 0) sheet += index_line(0, at);
                sheet += index_line(1, at + t.pregap);
                all.insert(all.end(), bytes.begin(), bytes.end());
                break;
            }
            case LAYOUT_APPENDED_GAPS: {
                // File k holds track k from INDEX 01 and the next track's pregap.
                const uint32_t next_gap = k + 1 < n ? d.tracks[k + 1].pregap : 0;
                std::vector<uint8_t> file(bytes.begin() + t.pregap * SECTOR, bytes.end());
                if (next_gap > 0) {
                    std::vector<uint8_t> next = dump_disc_track_bytes(d, k + 1);
                    file.insert(file.end(), next.begin(), next.begin() + next_gap * SECTOR);
                }
                const std::string name = "part " + std::to_string(k + 1) + ".bin";
                write_bytes(folder + "/" + name, file);
                sheet += "FILE \"" + name + "\" BINARY\n";
                // A track whose pregap the previous file holds has its TRACK line there.
                if (k == 0 || t.pregap == 0) sheet += track_line(d, k);
                sheet += index_line(1, 0);
                if (next_gap > 0) {
                    // The next track's INDEX 00 stands in this file.
                    sheet += track_line(d, k + 1) +
                             index_line(0, file.size() / SECTOR - next_gap);
                }
                break;
            }
        }
    }
    if (layout == LAYOUT_ONE_FILE) write_bytes(folder + "/disc.bin", all);
    write_text(folder + "/disc.cue", sheet);
    return folder + "/disc.cue";
}

std::string write_dump_disc_set(const std::string &folder, const dump_disc &d) {
    const std::string prefix = folder + "/disc";
    std::vector<uint8_t> img, sub;
    std::vector<entry_spec> entries;
    uint32_t lba = 0;
    for (size_t k = 0; k < d.tracks.size(); k++) {
        const dump_disc_track &t = d.tracks[k];
        const std::vector<uint8_t> bytes = dump_disc_track_bytes(d, k);
        img.insert(img.end(), bytes.begin(), bytes.end());
        const uint8_t control = t.audio ? 0x00 : 0x40;
        const uint32_t one = lba + t.pregap;
        for (uint32_t i = 0; i < t.sectors; i++, lba++) {
            std::vector<uint8_t> block(96, 0);
            const bool gap = lba < one;
            const std::vector<uint8_t> q = q_position(control, static_cast<int>(k + 1), gap ? 0 : 1,
                                                      gap ? one - lba - 1 : lba - one, lba + 150);
            std::copy(q.begin(), q.end(), block.begin() + 12);
            sub.insert(sub.end(), block.begin(), block.end());
        }
        const uint32_t p = one + 150;
        entries.push_back({long(k + 1), t.audio ? 0L : 4L, long(p / 4500), long(p / 75 % 60),
                           long(p % 75)});
    }
    const uint32_t end = lba + 150;
    entries.insert(entries.begin(), {0xA2, entries.back().control, long(end / 4500),
                                     long(end / 75 % 60), long(end % 75)});
    entries.insert(entries.begin(), {0xA1, entries.back().control, long(d.tracks.size()), 0, 0});
    entries.insert(entries.begin(), {0xA0, entries[2].control, 1, 0, 0});
    write_bytes(prefix + ".img", img);
    write_bytes(prefix + ".sub", sub);
    write_text(prefix + ".ccd", description_text("[CloneCD]\nVersion=3\n", entries));
    return prefix;
}
