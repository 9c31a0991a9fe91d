#include "bench/bench_chd_disc.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "card/cdimage/sector_ecc.h"

namespace {

constexpr uint32_t SECTOR = 2352;
constexpr uint32_t FIRST_DATA = 12000, AUDIO = 7500, AUDIO_TRACKS = 4, LAST_DATA = 3000;
constexpr uint32_t PREGAP = 150;

uint32_t next_random(uint32_t *state) {
    *state ^= *state << 13;
    *state ^= *state >> 17;
    *state ^= *state << 5;
    return *state;
}

void data_sector(uint32_t lba, uint32_t *random, uint8_t *sector) {
    memset(sector, 0, SECTOR);
    uint8_t *user = sector + 16;
    if (lba % 16 < 5) {  // packed graphics and the like
        for (int i = 0; i < 2048; i++) user[i] = static_cast<uint8_t>(next_random(random));
    } else {
        static const char words[] = "the quick brown fox jumps over a lazy dog; SCENE 12 LOAD ";
        for (int i = 0; i < 2048; i++)
            user[i] = static_cast<uint8_t>(words[(i + lba * 7) % (sizeof words - 1)] ^ (i / 512));
    }
    mode1_sector_complete(sector, lba + 150);
}

void audio_sector(uint32_t n, uint32_t *random, uint8_t *sector) {
    for (uint32_t i = 0; i < SECTOR / 4; i++) {
        const double t = (n * (SECTOR / 4) + i) / 44100.0;
        const double v = 6000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 331 * t) +
                         1500 * std::sin(2 * M_PI * 1320 * t * (1 + 0.1 * std::sin(t))) +
                         static_cast<int>(next_random(random) % 401) - 200;
        for (int c = 0; c < 2; c++) {
            const auto s = static_cast<int16_t>(c == 0 ? v : v * 0.8);
            sector[4 * i + 2 * c] = static_cast<uint8_t>(s);
            sector[4 * i + 2 * c + 1] = static_cast<uint8_t>(s >> 8);
        }
    }
}

}  // namespace

uint32_t write_chd_bench_disc(const std::string &dir) {
    FILE *bin = fopen((dir + "/disc.bin").c_str(), "wb");
    FILE *cue = fopen((dir + "/disc.cue").c_str(), "w");
    if (bin == nullptr || cue == nullptr) return 0;
    uint8_t sector[SECTOR];
    uint32_t lba = 0, random = 12345, track = 1;
    auto msf = [](uint32_t f) {
        char text[16];
        snprintf(text, sizeof text, "%02u:%02u:%02u", f / 4500, f / 75 % 60, f % 75);
        return std::string(text);
    };
    fprintf(cue, "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    for (uint32_t k = 0; k < FIRST_DATA; k++, lba++) {
        data_sector(lba, &random, sector);
        fwrite(sector, SECTOR, 1, bin);
    }
    for (uint32_t t = 0; t < AUDIO_TRACKS; t++) {
        fprintf(cue, "  TRACK %02u AUDIO\n    INDEX 00 %s\n    INDEX 01 %s\n", ++track,
                msf(lba).c_str(), msf(lba + PREGAP).c_str());
        memset(sector, 0, SECTOR);
        for (uint32_t k = 0; k < PREGAP; k++, lba++) fwrite(sector, SECTOR, 1, bin);
        for (uint32_t k = 0; k < AUDIO; k++, lba++) {
            audio_sector(k + t * 1000, &random, sector);
            fwrite(sector, SECTOR, 1, bin);
        }
    }
    fprintf(cue, "  TRACK %02u MODE1/2352\n    INDEX 00 %s\n    INDEX 01 %s\n", ++track,
            msf(lba).c_str(), msf(lba + PREGAP).c_str());
    for (uint32_t k = 0; k < PREGAP + LAST_DATA; k++, lba++) {
        data_sector(lba, &random, sector);
        fwrite(sector, SECTOR, 1, bin);
    }
    const bool ok = !ferror(bin) && !ferror(cue);
    fclose(bin);
    fclose(cue);
    return ok ? lba : 0;
}

