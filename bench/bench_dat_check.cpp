// The DAT check of a disc against plain work over the same bytes. One step a
// process, so that an outside timer can pair the steps run by run:
//
//   bench_dat_check setup DIR   a ~700 MB disc as dump files (a data track,
//                               20 audio tracks with 2-second pregaps) with
//                               disc.cue over them, disc.dat, and card.img
//                               with the disc stored as image 1
//   bench_dat_check cue DIR     the check of disc.cue against disc.dat
//   bench_dat_check card DIR    the check of the stored disc
//   bench_dat_check read DIR    plain sequential read of the stored disc's area
//   bench_dat_check clean DIR   removes what setup made
//
// Yardsticks: `sha1sum DIR/*.bin` for cue (the same bytes; target: check
// time / sha1sum time at most 1/0.9), the page cache warm on both sides;
// read for card (at most 1/0.9), both starting from a dropped page cache as
// a card's reads come from the medium.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/image_input.h"
#include "card/commands/card_dispatch.h"
#include "card/commands/dat_check.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"
#include "core/sha1.h"

#include <zlib.h>

namespace {

constexpr uint32_t DATA_SECTORS = 90000;
constexpr int AUDIO_TRACKS = 20;
constexpr uint32_t AUDIO_SECTORS = 10500;  // pregap included
constexpr uint32_t PREGAP = 150;
constexpr uint64_t CARD_BYTES = 1536ull << 20;
constexpr size_t CHUNK = 4896 * 512;

void quiet(void *, const char *) {}
void to_stderr(void *, const char *text) { fputs(text, stderr); }
void no_range(void *, int64_t) {}
void no_step(void *, int64_t) {}

std::string track_name(int k) {
    char name[32];
    snprintf(name, sizeof name, "track%02d.bin", k);
    return name;
}

// One track file of pseudo-random bytes, its entry appended to xml.
bool write_track(const std::string &dir, int k, uint32_t sectors, uint64_t seed, std::string *xml) {
    FILE *f = fopen((dir + "/" + track_name(k)).c_str(), "wb");
    if (f == nullptr) return false;
    std::vector<uint64_t> words(CD_SECTOR_SIZE / 8 * 256);
    sha1_context sha;
    sha1_init(&sha);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (uint32_t done = 0; done < sectors;) {
        const uint32_t n = std::min<uint32_t>(256, sectors - done);
        for (size_t i = 0; i < size_t{n} * CD_SECTOR_SIZE / 8; i++) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            words[i] = x;
        }
        const auto *bytes = reinterpret_cast<const uint8_t *>(words.data());
        const size_t length = size_t{n} * CD_SECTOR_SIZE;
        sha1_update(&sha, bytes, length);
        crc = crc32(crc, bytes, static_cast<uInt>(length));
        if (fwrite(bytes, 1, length, f) != length) return false;
        done += n;
    }
    fclose(f);
    uint8_t digest[20];
    sha1_final(&sha, digest);
    char line[256];
    int at = snprintf(line, sizeof line, "<rom name=\"%s\" size=\"%llu\" crc=\"%08lx\" sha1=\"",
                      track_name(k).c_str(), static_cast<unsigned long long>(uint64_t{sectors} * CD_SECTOR_SIZE), crc);
    for (uint8_t b : digest) at += snprintf(line + at, sizeof line - at, "%02x", b);
    *xml += std::string(line) + "\"/>\n";
    return true;
}

bool write_text(const std::string &name, const std::string &text) {
    FILE *f = fopen(name.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

bool setup(const std::string &dir) {
    if (system(("mkdir -p " + dir).c_str()) != 0) return false;
    std::string xml = "<datafile>\n<game name=\"Bench Disc\">\n";
    std::string cue = "FILE \"" + track_name(1) + "\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
    if (!write_track(dir, 1, DATA_SECTORS, 1, &xml)) return false;
    for (int k = 2; k <= AUDIO_TRACKS + 1; k++) {
        if (!write_track(dir, k, AUDIO_SECTORS, static_cast<uint64_t>(k), &xml)) return false;
        char text[160];
        snprintf(text, sizeof text,
                 "FILE \"%s\" BINARY\n  TRACK %02d AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n",
                 track_name(k).c_str(), k);
        cue += text;
    }
    static_assert(PREGAP == 150, "the sheet says 00:02:00");
    if (!write_text(dir + "/disc.dat", xml + "</game>\n</datafile>\n") || !write_text(dir + "/disc.cue", cue))
        return false;
    const std::string card = dir + "/card.img";
    int fd = open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(CARD_BYTES)) != 0) return false;
    close(fd);
    const char letter = drive_table_register_image(log_null(), card.c_str());
    const std::string drive(1, letter), sheet = dir + "/disc.cue";
    log_sink *log = log_create(nullptr, to_stderr);
    gauge_record *gauge = gauge_create(nullptr, no_range, no_step);
    log_attach_gauge(log, gauge);
    const char *format[] = {"", "format", drive.c_str()};
    const char *add[] = {"", "add", drive.c_str(), sheet.c_str(), CARD_NO_VERIFY};
    const bool ok = card_dispatch(log, 3, format) == 0 && card_dispatch(log, 5, add) == 0;
    log_destroy(log);
    gauge_destroy(gauge);
    drive_table_forget(letter);
    return ok;
}

// The card image's pages out of the cache: its reads stand for the medium.
void drop_cache(const std::string &name) {
    int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0) return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

// One check; status 0 when the disc is verified.
int check(const std::string &dir, bool stored) {
    if (stored) drop_cache(dir + "/card.img");
    log_sink *log = log_create(nullptr, to_stderr);
    gauge_record *gauge = gauge_create(nullptr, no_range, no_step);
    log_attach_gauge(log, gauge);
    dat_catalog dat;
    bool ok = dat_check_load(log, (dir + "/disc.dat").c_str(), true, false, &dat);
    if (ok && stored) {
        const char letter = drive_table_register_image(log_null(), (dir + "/card.img").c_str());
        std::vector<dat_check_report> reports;
        ok = dat_check_card(log, std::string(1, letter).c_str(), dat, {"#1"}, &reports) &&
             dat_check_verified(reports.at(0));
        drive_table_forget(letter);
    } else if (ok) {
        dat_check_report r;
        ok = dat_check_file(log, dat, (dir + "/disc.cue").c_str(), &r) && dat_check_verified(r);
    }
    log_destroy(log);
    gauge_destroy(gauge);
    return ok ? 0 : 1;
}

// The stored disc's area, read as the check reads a card: whole, in order.
int read_area(const std::string &dir) {
    const std::string card = dir + "/card.img";
    const char letter = drive_table_register_image(log_null(), card.c_str());
    uint64_t first = 0, bytes = 0;
    auto c = std::make_unique<card_context>();
    const std::string drive(1, letter);
    c->log = log_create(nullptr, quiet);
    c->drive = drive.c_str();
    if (card_open_to_read(c.get())) {
        first = (uint64_t{c->block} + c->entries[1].offset) * 512;
        bytes = uint64_t{c->entries[1].length} * 512;
        disk_close(c->disk);
    }
    log_destroy(c->log);
    drive_table_forget(letter);
    drop_cache(card);
    int fd = open(card.c_str(), O_RDONLY);
    if (fd < 0 || bytes == 0) return 1;
    std::vector<uint8_t> buffer(CHUNK);
    volatile uint8_t sum = 0;  // keeps the reads from being dropped
    for (uint64_t at = 0; at < bytes;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(CHUNK, bytes - at));
        if (pread(fd, buffer.data(), n, static_cast<off_t>(first + at)) != static_cast<ssize_t>(n)) return 1;
        sum = sum ^ buffer[n - 1];
        at += n;
    }
    close(fd);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_dat_check setup|cue|card|read|clean DIR\n");
        return 2;
    }
    const std::string step = argv[1], dir = argv[2];
    if (step == "setup") return setup(dir) ? 0 : 1;
    if (step == "cue") return check(dir, false);
    if (step == "card") return check(dir, true);
    if (step == "read") return read_area(dir);
    if (step == "clean") return system(("rm -rf " + dir).c_str()) == 0 ? 0 : 1;
    fprintf(stderr, "unknown step %s\n", step.c_str());
    return 2;
}
