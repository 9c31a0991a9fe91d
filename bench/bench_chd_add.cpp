// Adding a CD kept as a CHD file to a card image file, against `chdman
// extractcd` of the same file to a cue sheet and one .bin (decompression
// alone, the floor the add should meet while also writing the card), in the
// same run. The disc is generated: a data track of Mode 1 sectors (text-like
// runs and incompressible stretches), four audio tracks of tones with a
// little noise, each after a two-second INDEX 00 pregap, and a closing data
// track; chdman createcd compresses it with its default codecs (cdlz, cdzl,
// cdfl), so hunks of every kind are read. Reported in three rounds, medians:
// extractcd, add (the data's SHA-1 checked, no read-back), the hash listing
// of the file, and add_over_extract = add time / extractcd time (target 0.7
// or less: the add decodes hunks on every core ahead of its writes).
//
//   bench_chd_add [directory]   (default /tmp; needs about 500 MB free there;
//                                chdman on the PATH)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/card_bench.h"
#include "card/cdimage/sector_ecc.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"

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

// disc.bin and disc.cue; returns the sector count, 0 when not written.
uint32_t write_disc(const std::string &dir) {
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

double run_shell(const std::string &command) {
    auto start = std::chrono::steady_clock::now();
    if (system(command.c_str()) != 0) fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds_since(start);
}

}  // namespace

int main(int argc, char **argv) {
    const std::string dir = std::string(argc > 1 ? argv[1] : "/tmp") + "/vmk_bench_chd_add";
    const std::string chd = dir + "/disc.chd", card = dir + "/card.img";
    uint32_t sectors = 0;
    if (system(("mkdir -p '" + dir + "'").c_str()) != 0 || (sectors = write_disc(dir)) == 0) {
        fprintf(stderr, "cannot write the disc in %s\n", dir.c_str());
        return 1;
    }
    const double create = run_shell("chdman createcd -f -i '" + dir + "/disc.cue' -o '" + chd +
                                    "' >/dev/null 2>&1");
    unlink((dir + "/disc.bin").c_str());
    unlink((dir + "/disc.cue").c_str());
    int fd = open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, off_t{1} << 30) != 0) return 1;
    close(fd);
    const char letter = drive_table_register_image(log_null(), card.c_str());
    const std::string drive(1, letter);
    bench_log out;
    out.run({"", "format", drive.c_str()});
    sync();

    constexpr int ROUNDS = 3;
    std::vector<double> extract, add, hash;
    const std::string extract_command = "chdman extractcd -f -i '" + chd + "' -o '" + dir +
                                        "/x.cue' -ob '" + dir + "/x.bin' >/dev/null 2>&1";
    for (int round = 0; round < ROUNDS; round++) {
        extract.push_back(run_shell(extract_command));
        // Later rounds replace image 1, writing the same area again.
        add.push_back(round == 0 ? out.run({"", "add", drive.c_str(), chd.c_str(), CARD_NO_VERIFY})
                                 : out.run({"", "add", drive.c_str(), chd.c_str(), "1",
                                             CARD_NO_VERIFY}));
        hash.push_back(out.run({"", "mmchash", drive.c_str(), chd.c_str()}));
    }
    const double mb = double(sectors) * SECTOR / 1e6;
    printf("disc: %u sectors, %.1f MB; chdman createcd %.1f s; %d rounds, medians\n", sectors, mb,
           create, ROUNDS);
    const double e = median(extract), a = median(add), h = median(hash);
    printf("chdman extractcd: %.2f s (%.0f MB/s)\n", e, mb / e);
    printf("add from CHD:     %.2f s (%.0f MB/s)  add_over_extract %.2f\n", a, mb / a, a / e);
    printf("mmchash CHD:      %.2f s (data tracks only)\n", h);

    drive_table_forget(letter);
    for (const char *name : {"/disc.chd", "/card.img", "/x.cue", "/x.bin"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());
    return 0;
}
