// Extract, backup and restore, each against plain work on the same bytes.
// One step a process, so that an outside timer can pair the steps run by run:
//
//   bench_backup setup DIR       card.img with two discs and a ROM, its backup, the images extracted
//   bench_backup extract DIR     vmk card extract of disc 1 as an image set
//   bench_backup read_write DIR  plain: read disc 1's area, write as many bytes as extract writes
//   bench_backup backup DIR      vmk card backup of card.img
//   bench_backup read_zstd DIR   plain: read the used areas, compress them (zstd level 3, two threads) into a file
//   bench_backup restore DIR     a fresh card formatted, the backup restored onto it
//   bench_backup adds DIR        a fresh card formatted, the extracted images added to it
//   bench_backup clean DIR
//
// Targets: read_write / extract, read_zstd / backup and adds / restore each
// at least 0.9. Reads that stand for the card start from a dropped page cache.
#include <fcntl.h>
#include <unistd.h>
#include <zstd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_image_set.h"
#include "bench/card_bench.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "core/log.h"

namespace {

constexpr uint32_t DISC_SECTORS = 60000;  // 147 MB stored
constexpr uint64_t CARD_BYTES = 640ull << 20;
constexpr size_t CHUNK = 4 << 20;

void drop_cache(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

bool sparse_file(const std::string &path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(CARD_BYTES)) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

// Byte ranges of the card's areas, in image order.
struct area {
    uint64_t first, bytes;
};
std::vector<area> areas_of(const std::string &drive) {
    std::vector<area> out;
    auto note = [](void *user, uint32_t, uint32_t offset, uint32_t length, uint8_t, uint32_t,
                   const char *) {
        static_cast<std::vector<area> *>(user)->push_back(
            {(uint64_t{CARD_PARTITION1_START} + offset) * 512, uint64_t{length} * 512});
    };
    card_enumerate(log_null(), drive.c_str(), [](void *, uint32_t, uint32_t) {}, nullptr, note, &out);
    std::sort(out.begin(), out.end(), [](const area &a, const area &b) { return a.first < b.first; });
    return out;
}

// Reads [first, first + bytes) of path in chunks, handing each on.
template <typename F> bool read_range(int fd, uint64_t first, uint64_t bytes, F &&use) {
    std::vector<uint8_t> buffer(CHUNK);
    while (bytes > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, CHUNK));
        ssize_t got = pread(fd, buffer.data(), n, static_cast<off_t>(first));
        if (got <= 0) return false;
        if (!use(buffer.data(), static_cast<size_t>(got))) return false;
        first += static_cast<uint64_t>(got);
        bytes -= static_cast<uint64_t>(got);
    }
    return true;
}

bool read_write(const std::string &dir, const std::string &drive) {
    const std::string card = dir + "/card.img";
    std::vector<area> a = areas_of(drive);
    if (a.size() < 2) return false;
    drop_cache(card);
    int in = open(card.c_str(), O_RDONLY);
    int out = open((dir + "/plain.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // What extract writes: 2352 + 96 bytes a sector, the area's stored size.
    uint64_t left = uint64_t{DISC_SECTORS} * 2448;
    bool ok = in >= 0 && out >= 0 && read_range(in, a[1].first, a[1].bytes, [&](const uint8_t *p, size_t n) {
        size_t w = static_cast<size_t>(std::min<uint64_t>(n, left));
        left -= w;
        return write(out, p, w) == static_cast<ssize_t>(w);
    });
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    return ok;
}

bool read_zstd(const std::string &dir, const std::string &drive) {
    const std::string card = dir + "/card.img";
    drop_cache(card);
    ZSTD_CCtx *z = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(z, ZSTD_c_compressionLevel, 3);
    ZSTD_CCtx_setParameter(z, ZSTD_c_nbWorkers, 2);
    int in = open(card.c_str(), O_RDONLY);
    int out = open((dir + "/plain.zst").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<uint8_t> packed(ZSTD_CStreamOutSize());
    auto push = [&](const uint8_t *p, size_t n, ZSTD_EndDirective end) {
        ZSTD_inBuffer src{p, n, 0};
        for (;;) {
            ZSTD_outBuffer dst{packed.data(), packed.size(), 0};
            size_t left = ZSTD_compressStream2(z, &dst, &src, end);
            if (ZSTD_isError(left) || write(out, packed.data(), dst.pos) != ssize_t(dst.pos)) return false;
            if (end == ZSTD_e_end ? left == 0 : src.pos == src.size) return true;
        }
    };
    bool ok = in >= 0 && out >= 0;
    for (const area &a : areas_of(drive))
        ok = ok && read_range(in, a.first, a.bytes, [&](const uint8_t *p, size_t n) {
                 return push(p, n, ZSTD_e_continue);
             });
    ok = ok && push(nullptr, 0, ZSTD_e_end);
    ZSTD_freeCCtx(z);
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_backup setup|extract|read_write|backup|read_zstd|restore|adds|clean DIR\n");
        return 2;
    }
    const std::string step = argv[1], dir = argv[2];
    const std::string card = dir + "/card.img", archive = dir + "/card.tar.zst";
    if (step == "setup") {
        if (system(("mkdir -p " + dir + "/sets " + dir + "/out").c_str()) != 0 ||
            !write_image_set(dir + "/disc", DISC_SECTORS) || !sparse_file(card))
            return 1;
        card_session s(card);
        const std::string rom = dir + "/game.pce";
        if (system(("head -c 262144 /dev/urandom > " + rom).c_str()) != 0) return 1;
        if (s.run({"format"}) != 0 || s.run({"add_withname", (dir + "/disc").c_str(), "one", CARD_NO_VERIFY}) != 0 ||
            s.run({"add_withname", (dir + "/disc").c_str(), "two", CARD_NO_VERIFY}) != 0 ||
            s.run({"add_withname", rom.c_str(), "rom", CARD_NO_VERIFY}) != 0 ||
            s.run({"backup", archive.c_str()}) != 0 ||
            s.run({"extract", "1", "2", "3", "--to", (dir + "/sets").c_str()}) != 0)
            return 1;
        sync();
        return 0;
    }
    if (step == "clean") return system(("rm -rf " + dir).c_str()) == 0 ? 0 : 1;
    if (step == "restore" || step == "adds") {
        const std::string target = dir + "/target.img";
        if (!sparse_file(target)) return 1;
        drop_cache(archive);
        card_session t(target);
        if (t.run({"format"}) != 0) return 1;
        if (step == "restore") return t.run({"restore", archive.c_str()});
        for (const char *set : {"/sets/one", "/sets/two", "/sets/rom.pce"})
            if (t.run({"add_withname", (dir + set).c_str(), "x"}) != 0) return 1;
        return 0;
    }
    card_session s(card);
    if (step == "extract") {
        drop_cache(card);
        return s.run({"extract", "1", "--to", (dir + "/out").c_str(), "--force"});
    }
    if (step == "backup") {
        drop_cache(card);
        return s.run({"backup", (dir + "/again.tar.zst").c_str()});
    }
    if (step == "read_write") return read_write(dir, s.drive) ? 0 : 1;
    if (step == "read_zstd") return read_zstd(dir, s.drive) ? 0 : 1;
    fprintf(stderr, "unknown step %s\n", step.c_str());
    return 2;
}
