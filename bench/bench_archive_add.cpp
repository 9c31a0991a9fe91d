// Adding a 700 MB disc (a cue sheet and its one BINARY file) from a .zip
// (deflate), against unpacking it with `unzip -p` to /dev/null plus the add
// from the unpacked files. One step a process, so that an outside timer can
// pair the steps run by run:
//
//   bench_archive_add setup DIR   disc.cue, disc.img, disc.zip of both, card.img holding the disc
//   bench_archive_add zip DIR     add disc.zip into card.img, replacing image 1
//   bench_archive_add files DIR   add disc.cue the same way
//   bench_archive_add clean DIR   removes what setup made
//
// Paired: zip against sh -c 'unzip -p DIR/disc.zip >/dev/null && bench_archive_add files DIR'.
// Target: zip time at most 1/0.9 of that. Both adds skip the read-back,
// which costs them the same. Peak memory: the archive is streamed, so the
// zip step's stays near the files step's.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"

namespace {

constexpr uint32_t SECTORS = 297600;  // 700 MB of 2352-byte sectors
constexpr uint64_t CARD_BYTES = 1200ull << 20;

void quiet(void *, const char *) {}
void no_range(void *, int64_t) {}
void no_step(void *, int64_t) {}

int add(const std::string &card, const std::string &image) {
    const char letter = drive_table_register_image(log_null(), card.c_str());
    const std::string drive(1, letter);
    log_sink *log = log_create(nullptr, quiet);
    gauge_record *gauge = gauge_create(nullptr, no_range, no_step);
    log_attach_gauge(log, gauge);
    const char *v[] = {"", "add", drive.c_str(), image.c_str(), "1", CARD_NO_VERIFY};
    const int status = card_dispatch(log, 6, v);
    drive_table_forget(letter);
    log_destroy(log);
    gauge_destroy(gauge);
    return status;
}

// Every other byte pseudo-random, the rest a pattern: deflate keeps about
// 87% of it, so that inflating costs what it does with real data tracks
// rather than next to nothing.
bool write_disc(const std::string &dir) {
    FILE *img = fopen((dir + "/disc.img").c_str(), "wb");
    FILE *cue = fopen((dir + "/disc.cue").c_str(), "w");
    if (img == nullptr || cue == nullptr) return false;
    fprintf(cue, "FILE disc.img BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    fclose(cue);
    std::vector<uint8_t> sector(2352);
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (uint32_t s = 0; s < SECTORS; s++) {
        for (size_t i = 0; i < sector.size(); i++) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            sector[i] = i % 2 == 0 ? static_cast<uint8_t>(x) : static_cast<uint8_t>(i / 64 + s);
        }
        if (fwrite(sector.data(), 1, sector.size(), img) != sector.size()) return false;
    }
    return fclose(img) == 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_archive_add setup|zip|files|clean DIR\n");
        return 2;
    }
    const std::string step = argv[1], dir = argv[2], card = dir + "/card.img";
    if (step == "setup") {
        if (system(("mkdir -p " + dir).c_str()) != 0 || !write_disc(dir) ||
            system(("cd " + dir + " && zip -q disc.zip disc.cue disc.img").c_str()) != 0)
            return 1;
        int fd = open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(CARD_BYTES)) != 0) return 1;
        close(fd);
        const char letter = drive_table_register_image(log_null(), card.c_str());
        const std::string drive(1, letter);
        const char *v[] = {"", "format", drive.c_str()};
        if (card_dispatch(log_null(), 3, v) != 0) return 1;
        drive_table_forget(letter);
        return add(card, dir + "/disc.cue");
    }
    if (step == "clean") {
        for (const char *name : {"/disc.img", "/disc.cue", "/disc.zip", "/card.img"})
            unlink((dir + name).c_str());
        return rmdir(dir.c_str()) == 0 ? 0 : 1;
    }
    if (step == "zip") return add(card, dir + "/disc.zip");
    if (step == "files") return add(card, dir + "/disc.cue");
    fprintf(stderr, "unknown step %s\n", step.c_str());
    return 2;
}
