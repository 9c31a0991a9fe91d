// Fuzz target for the CHD hunk map decoder (Huffman-coded types, run
// lengths, offsets, CRC) and the CD track metadata parser. Input: 4 bytes
// of logical size (big-endian, in frames), then a compressed map; the same
// bytes are also read as track metadata text. Built for libFuzzer with
// -DVMK_FUZZ=ON under clang; the ordinary build replays the saved corpus.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "card/cdimage/chd_disc.h"
#include "card/cdimage/chd_file.h"

namespace {

void check(bool condition, const char *what) {
    if (condition) return;
    fprintf(stderr, "property violated: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) return 0;
    chd_file chd;
    chd.hunk_bytes = 8 * 2448;
    chd.unit_bytes = 2448;
    const uint32_t frames = uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 |
                            uint32_t(data[2]) << 8 | data[3];
    chd.logical_bytes = uint64_t{frames % (1u << 20)} * chd.unit_bytes;
    // An exact-size copy lets AddressSanitizer see reads past the end.
    std::unique_ptr<uint8_t[]> map(new uint8_t[size - 4 + 1]);
    std::copy(data + 4, data + size, map.get());
    if (chd_decode_map(&chd, map.get(), size - 4)) {
        const uint64_t hunks = (chd.logical_bytes + chd.hunk_bytes - 1) / chd.hunk_bytes;
        check(chd.map.size() == hunks, "one entry per hunk");
        for (size_t h = 0; h < chd.map.size(); h++) {
            const chd_hunk_entry &e = chd.map[h];
            check(e.kind <= CHD_STORED_PARENT, "known entry kinds only");
            check(e.kind != CHD_STORED_SELF || e.offset < h, "copies refer to earlier hunks");
        }
    }
    cue_sheet sheet;
    chd_track_frames stored{};
    if (chd_track_parse(std::string(reinterpret_cast<const char *>(data), size), &sheet, &stored)) {
        check(sheet.tracks.size() == 1 && sheet.files.size() == 1, "one track, one file");
        check(sheet.files[0].size ==
                  uint64_t{stored.stored} * cue_file_sector_size(sheet.tracks[0].mode),
              "file size from the stored frames");
        cue_place(log_null(), &sheet);
    }
    return 0;
}
