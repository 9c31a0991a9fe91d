// The card check and the read-back verify of an add, each against plain I/O
// of the same bytes. One step a process, so that an outside timer can pair
// the steps run by run:
//
//   bench_check setup DIR        card.img holding three CD images, add.img one, the image set
//   bench_check check DIR        vmk card check on card.img
//   bench_check read DIR         plain sequential read of what check reads
//   bench_check add DIR          add with verify into add.img, replacing image 1
//   bench_check add_unverified DIR
//   bench_check write_read DIR   plain: read the set, write as many bytes, read them back
//   bench_check clean DIR        removes what setup made
//
// Targets: check time / read time at most 1/0.9, add time / write_read time
// at most 1/0.9. Every read that stands for the medium starts from a dropped
// page cache, as the check's and the verify's reads do.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_image_set.h"
#include "bench/card_bench.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"

namespace {

constexpr uint32_t IMAGE_SECTORS = 60000;  // 147 MB stored
constexpr int IMAGES = 3;
constexpr uint64_t CARD_BYTES = 640ull << 20;
constexpr size_t CHUNK = 4896 * 512;  // the check's chunk

void drop_cache(int fd) {
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

// Reads bytes from offset in chunks, the page cache dropped first.
bool read_range(const std::string &path, uint64_t offset, uint64_t bytes) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    drop_cache(fd);
    std::vector<uint8_t> buffer(CHUNK);
    while (bytes > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, CHUNK));
        ssize_t got = pread(fd, buffer.data(), n, static_cast<off_t>(offset));
        if (got <= 0) break;
        offset += static_cast<uint64_t>(got);
        bytes -= static_cast<uint64_t>(got);
    }
    close(fd);
    return bytes == 0;
}

// The card's areas: from the first block to the end of the last area.
uint64_t used_end_byte(const std::string &drive) {
    uint64_t end = 0;
    auto note = [](void *user, uint32_t, uint32_t offset, uint32_t length, uint8_t, uint32_t,
                   const char *) {
        uint64_t *e = static_cast<uint64_t *>(user);
        *e = std::max(*e, (uint64_t{CARD_PARTITION1_START} + offset + length) * 512);
    };
    card_enumerate(log_null(), drive.c_str(), [](void *, uint32_t, uint32_t) {}, nullptr, note,
                   &end);
    return end;
}

bool write_read(const std::string &dir) {
    std::string scratch = dir + "/plain.bin";
    int out = open(scratch.c_str(), O_WRONLY | O_CREAT, 0644);
    if (out < 0) return false;
    std::vector<uint8_t> buffer(CHUNK);
    uint64_t written = 0;
    for (const char *suffix : {".img", ".sub"}) {
        int in = open((dir + "/disc" + suffix).c_str(), O_RDONLY);
        ssize_t n;
        while ((n = read(in, buffer.data(), buffer.size())) > 0) {
            if (write(out, buffer.data(), static_cast<size_t>(n)) != n) return false;
            written += static_cast<uint64_t>(n);
        }
        close(in);
    }
    drop_cache(out);
    close(out);
    return read_range(scratch, 0, written);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_check setup|check|read|add|add_unverified|write_read|clean DIR\n");
        return 2;
    }
    const std::string step = argv[1], dir = argv[2];
    const std::string card = dir + "/card.img", prefix = dir + "/disc";
    if (step == "setup") {
        if (system(("mkdir -p " + dir).c_str()) != 0 || !write_image_set(prefix, IMAGE_SECTORS))
            return 1;
        int fd = open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(CARD_BYTES)) != 0) return 1;
        close(fd);
        card_session s(card);
        if (s.run({"format"}) != 0) return 1;
        for (int i = 0; i < IMAGES; i++) {
            if (s.run({"add", prefix.c_str(), CARD_NO_VERIFY}) != 0) return 1;
            // The adds replace image 1 and so cut the card back to it.
            if (i == 0 && system(("cp --sparse=always " + card + " " + dir + "/add.img").c_str()) != 0)
                return 1;
        }
        sync();
        return 0;
    }
    if (step == "clean") {
        for (const char *name : {"/disc.img", "/disc.sub", "/disc.ccd", "/disc.cue", "/card.img",
                                 "/add.img", "/plain.bin"})
            unlink((dir + name).c_str());
        return rmdir(dir.c_str()) == 0 ? 0 : 1;
    }
    if (step == "write_read") return write_read(dir) ? 0 : 1;
    card_session s(step == "add" || step == "add_unverified" ? dir + "/add.img" : card);
    if (step == "check") return s.run({"check"});
    if (step == "read") {
        uint64_t first = uint64_t{CARD_PARTITION1_START} * 512;
        return read_range(card, first, used_end_byte(s.drive) - first) ? 0 : 1;
    }
    if (step == "add") return s.run({"add", prefix.c_str(), "1"});
    if (step == "add_unverified") return s.run({"add", prefix.c_str(), "1", CARD_NO_VERIFY});
    fprintf(stderr, "unknown step %s\n", step.c_str());
    return 2;
}
