// Adding a 700 MB CD image set to a card image file, and the hash listing of
// the stored disc, each against plain sequential I/O of the same bytes in the
// same run: for the add, reading prefix.img and prefix.sub and writing as
// many bytes to a file; for the hash listing, which only reads, reading the
// stored disc's area of the card image. Reported: the times and
// fraction_of_plain = plain time / measured time (target 0.8 or more). Peak
// memory: run under /usr/bin/time -v. The same disc is also added from a cue
// sheet naming prefix.img as its one BINARY file (subchannel generated):
// cue_fraction_of_set = add time from the set / add time from the sheet
// (target 0.9 or more).
//
//   bench_add [directory]   (default /tmp; needs about 2.2 GB free there)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_image_set.h"
#include "bench/card_bench.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "core/log.h"

namespace {

constexpr uint32_t SECTORS = 297000;  // 698.5 MB of .img

// Reads .img and .sub sequentially and writes as many bytes to a new file.
double plain_pass(const std::string &prefix, const std::string &scratch) {
    auto start = std::chrono::steady_clock::now();
    // Written in place like the card image, so neither pays for allocation
    // after the first round.
    int out = open(scratch.c_str(), O_WRONLY | O_CREAT, 0644);
    std::vector<uint8_t> buffer(1 << 20);
    for (const char *suffix : {".img", ".sub"}) {
        int in = open((prefix + suffix).c_str(), O_RDONLY);
        ssize_t n;
        while ((n = read(in, buffer.data(), buffer.size())) > 0)
            if (write(out, buffer.data(), static_cast<size_t>(n)) != n) perror("write");
        close(in);
    }
    fsync(out);
    close(out);
    return seconds_since(start);
}

// Reads bytes of the file from offset sequentially.
double plain_read_pass(const std::string &path, uint64_t offset, uint64_t bytes) {
    auto start = std::chrono::steady_clock::now();
    int in = open(path.c_str(), O_RDONLY);
    std::vector<uint8_t> buffer(1 << 20);
    while (bytes > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, buffer.size()));
        ssize_t got = pread(in, buffer.data(), n, static_cast<off_t>(offset));
        if (got <= 0) break;
        offset += static_cast<uint64_t>(got);
        bytes -= static_cast<uint64_t>(got);
    }
    close(in);
    return seconds_since(start);
}

// Where image 1 lies in the card image: byte offset and size of its area.
struct area_place {
    uint64_t offset = 0, bytes = 0;
};

void no_header(void *, uint32_t, uint32_t) {}

void note_area(void *user, uint32_t image, uint32_t offset, uint32_t length, uint8_t, uint32_t,
               const char *) {
    if (image == 1)
        *static_cast<area_place *>(user) = {(uint64_t{CARD_PARTITION1_START} + offset) * DISK_SECTOR_SIZE,
                                            uint64_t{length} * DISK_SECTOR_SIZE};
}

}  // namespace

int main(int argc, char **argv) {
    std::string dir = std::string(argc > 1 ? argv[1] : "/tmp") + "/vmk_bench_add";
    std::string prefix = dir + "/disc", card = dir + "/card.img", scratch = dir + "/plain.bin";
    if (system(("mkdir -p " + dir).c_str()) != 0 || !write_image_set(prefix, SECTORS)) {
        fprintf(stderr, "cannot create the image set in %s\n", dir.c_str());
        return 1;
    }
    int fd = open(card.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, off_t{1} << 30) != 0) return 1;
    close(fd);
    char letter = drive_table_register_image(log_null(), card.c_str());
    std::string drive(1, letter);
    bench_log out;
    sync();  // the generated files are on disk before anything is timed

    constexpr int ROUNDS = 3;
    std::vector<double> plain, plain_read, add, add_cue, hash, file_hash;
    const std::string sheet = prefix + ".cue";
    std::string listing;
    out.run({"", "format", drive.c_str()});
    for (int round = 0; round < ROUNDS; round++) {
        plain.push_back(plain_pass(prefix, scratch));
        // Later rounds replace image 1, writing the same area again.
        // Without the read-back: these figures compare writing with writing.
        add.push_back(round == 0
                          ? out.run({"", "add", drive.c_str(), prefix.c_str(), CARD_NO_VERIFY})
                          : out.run({"", "add", drive.c_str(), prefix.c_str(), "1", CARD_NO_VERIFY}));
        add_cue.push_back(out.run({"", "add", drive.c_str(), sheet.c_str(), "1", CARD_NO_VERIFY}));
        area_place area;
        card_enumerate(log_null(), drive.c_str(), no_header, nullptr, note_area, &area);
        plain_read.push_back(plain_read_pass(card, area.offset, area.bytes));
        out.text.clear();
        hash.push_back(out.run({"", "mmchash", drive.c_str(), "1"}));
        listing = out.text;
        file_hash.push_back(out.run({"", "mmchash", drive.c_str(), prefix.c_str()}));
    }
    double mb = (double(SECTORS) * (2352 + 96)) / 1e6;
    printf("image set: %u sectors, %.1f MB (.img + .sub); %d rounds, medians\n", SECTORS, mb,
           ROUNDS);
    double p = median(plain), r = median(plain_read), a = median(add), h = median(hash);
    printf("plain read+write: %.2f s (%.0f MB/s)\n", p, mb / p);
    printf("add:              %.2f s (%.0f MB/s)  fraction_of_plain %.2f\n", a, mb / a, p / a);
    printf("plain read:       %.2f s (%.0f MB/s) (the stored disc's area)\n", r, mb / r);
    printf("mmchash 1:        %.2f s (%.0f MB/s)  fraction_of_plain_read %.2f\n", h, mb / h, r / h);
    double c = median(add_cue);
    printf("add from cue:     %.2f s (%.0f MB/s)  cue_fraction_of_set %.2f\n", c, mb / c, a / c);
    double f = median(file_hash);
    printf("mmchash prefix:   %.2f s (%.0f MB/s)  fraction_of_plain_read %.2f (the image files)\n",
           f, mb / f, r / f);
    printf("listing: %s", listing.c_str());

    drive_table_forget(letter);
    for (const char *name :
         {"/disc.img", "/disc.sub", "/disc.ccd", "/disc.cue", "/card.img", "/plain.bin"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());
    return 0;
}
