// Writing a CD as a CHD file against `chdman createcd` of the same cue sheet,
// alternately, in the same run. The disc is generated (bench_chd_disc.h);
// both offer the same codecs (cdlz, cdzl, cdfl) and keep each hunk in its
// smallest form. Reported in three rounds, medians: createcd, our write
// (compressing on every core ahead of the writes), write_over_createcd =
// our time / chdman's (lower is faster), and both files' sizes.
//
//   bench_chd_write [directory] [--keep]   (default /tmp; needs about 400 MB
//                                           free there; chdman on the PATH)
//   bench_chd_write --write <sheet.cue> <out.chd>   one write alone, for
//                                           timing whole processes from outside
//                                           against chdman createcd
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_chd_disc.h"
#include "bench/card_bench.h"
#include "card/cdimage/chd_write.h"
#include "card/cdimage/image_input.h"

namespace {

double run_shell(const std::string &command) {
    auto start = std::chrono::steady_clock::now();
    if (system(command.c_str()) != 0) fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds_since(start);
}

double file_mb(const std::string &name) {
    struct stat s {};
    return stat(name.c_str(), &s) == 0 ? double(s.st_size) / 1e6 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 4 && strcmp(argv[1], "--write") == 0) {
        bench_log out;
        image_input in{};
        const bool ok = image_input_read(out.sink, argv[2], &in) == 1 &&
                        chd_write_disc(out.sink, argv[3], *in.description, in.source, {}) == 0;
        image_input_free(&in);
        if (!ok) fprintf(stderr, "%s", out.text.c_str());
        return ok ? 0 : 1;
    }
    const bool keep = argc > 2 && strcmp(argv[2], "--keep") == 0;
    const std::string dir = std::string(argc > 1 ? argv[1] : "/tmp") + "/vmk_bench_chd_write";
    const std::string cue = dir + "/disc.cue", theirs = dir + "/chdman.chd", ours = dir + "/ours.chd";
    uint32_t sectors = 0;
    if (system(("mkdir -p '" + dir + "'").c_str()) != 0 || (sectors = write_chd_bench_disc(dir)) == 0) {
        fprintf(stderr, "cannot write the disc in %s\n", dir.c_str());
        return 1;
    }
    bench_log out;
    constexpr int ROUNDS = 3;
    std::vector<double> create, write;
    for (int round = 0; round < ROUNDS; round++) {
        create.push_back(run_shell("chdman createcd -f -i '" + cue + "' -o '" + theirs +
                                   "' >/dev/null 2>&1"));
        auto start = std::chrono::steady_clock::now();
        image_input in{};
        if (image_input_read(out.sink, cue.c_str(), &in) != 1 ||
            chd_write_disc(out.sink, ours.c_str(), *in.description, in.source, {}) != 0)
            fprintf(stderr, "our write failed: %s\n", out.text.c_str());
        image_input_free(&in);
        write.push_back(seconds_since(start));
    }
    const double mb = double(sectors) * 2352 / 1e6;
    const double c = median(create), w = median(write);
    printf("disc: %u sectors, %.1f MB; %d rounds, medians\n", sectors, mb, ROUNDS);
    printf("chdman createcd: %.2f s (%.1f MB/s), file %.1f MB\n", c, mb / c, file_mb(theirs));
    printf("our write:       %.2f s (%.1f MB/s), file %.1f MB  write_over_createcd %.2f\n", w, mb / w,
           file_mb(ours), w / c);
    if (keep) return 0;
    for (const char *name : {"/disc.bin", "/disc.cue", "/chdman.chd", "/ours.chd"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());
    return 0;
}
