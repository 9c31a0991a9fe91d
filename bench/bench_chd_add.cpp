// Adding a CD kept as a CHD file to a card image file, against `chdman
// extractcd` of the same file to a cue sheet and one .bin (decompression
// alone, the floor the add should meet while also writing the card), in the
// same run. The disc is generated (bench_chd_disc.h); chdman createcd
// compresses it with its default codecs (cdlz, cdzl, cdfl), so hunks of
// every kind are read. Reported in three rounds, medians:
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

#include "bench/bench_chd_disc.h"
#include "bench/card_bench.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"

namespace {

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
    if (system(("mkdir -p '" + dir + "'").c_str()) != 0 || (sectors = write_chd_bench_disc(dir)) == 0) {
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
    const double mb = double(sectors) * 2352 / 1e6;
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
