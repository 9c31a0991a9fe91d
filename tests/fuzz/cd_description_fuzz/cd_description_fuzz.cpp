// Fuzz target for the description reader (arbitrary .ccd/.cdm text) and for
// rebuilding a TOC from stored frames (arbitrary bytes). Built for libFuzzer
// with -DVMK_FUZZ=ON under clang; the ordinary build replays the saved
// corpus as a test.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "card/cdimage/cd_description.h"

namespace {

// iniparser loads by file name; an anonymous in-memory file keeps the
// fuzzer off the disk.
bool write_memfd(const uint8_t *data, size_t size, int *fd) {
    *fd = memfd_create("description", 0);
    if (*fd < 0) return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(*fd, data + done, size - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void check(bool condition, const char *what) {
    if (condition) return;
    fprintf(stderr, "property violated: %s\n", what);
    abort();
}

// Whatever the reader accepts must survive the trip through Q frames:
// points and P positions unchanged, track starts recomputed identically.
void check_frames_round_trip(disc_description *d) {
    uint8_t frames[TOC_ENTRIES_MAX * Q_FRAME_SIZE];
    int n = toc_to_frames(d, frames, sizeof frames);
    check(n == d->tocentries, "every entry becomes a frame");
    disc_description *back = toc_from_frames(log_null(), frames, size_t(n) * Q_FRAME_SIZE);
    if (back == nullptr) return;  // first frame reads as unused (0x55)
    check(back->tocentries <= n, "no frames invented");
    for (int i = 0; i < back->tocentries; i++) {
        const toc_entry &a = d->entries[i], &b = back->entries[i];
        check(a.point == b.point && a.pmin == b.pmin && a.psec == b.psec && a.pframe == b.pframe,
              "point and P position kept");
        if (a.point < TOC_POINT_A0) check(a.plba == b.plba, "track start kept");
    }
    description_free(back);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy lets AddressSanitizer see reads past the end.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
    if (size) memcpy(bytes.get(), data, size);
    description_free(toc_from_frames(log_null(), bytes.get(), size));

    int fd = -1;
    if (write_memfd(data, size, &fd)) {
        char name[64];
        snprintf(name, sizeof name, "/proc/self/fd/%d", fd);
        disc_description *d = description_read(log_null(), name, true);
        if (d != nullptr) {
            check(d->tocentries >= 1 && d->tocentries <= TOC_ENTRIES_MAX, "entry count in range");
            const char *display = description_display_name(d);
            check(display == nullptr || strlen(display) <= DESCRIPTION_TEXT_MAX, "name fits");
            uint32_t word = 0x11;
            description_apply_format(d, &word);
            check_frames_round_trip(d);
            description_free(d);
        }
    }
    if (fd >= 0) close(fd);
    return 0;
}
