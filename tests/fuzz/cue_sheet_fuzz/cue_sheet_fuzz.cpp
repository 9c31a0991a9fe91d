// Fuzz target for the cue sheet parser and the disc layout worked out from
// it (file sizes made up from the input), with the subchannel generated at
// every track boundary. Built for libFuzzer with -DVMK_FUZZ=ON under clang;
// the ordinary build replays the saved corpus as a test.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "card/cdimage/cue_disc.h"

namespace {

void check(bool condition, const char *what) {
    if (condition) return;
    fprintf(stderr, "property violated: %s\n", what);
    abort();
}

void check_block(const cue_sheet &sheet, size_t track, uint32_t lba) {
    uint8_t block[SUBCHANNEL_BLOCK_SIZE];
    cue_subchannel_block(sheet, track, lba, block);
    check(q_crc_ok(block + SUBCHANNEL_Q_OFFSET), "generated Q frames carry a good CRC");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy lets AddressSanitizer see reads past the end.
    std::unique_ptr<char[]> text(new char[size ? size : 1]);
    if (size) memcpy(text.get(), data, size);
    cue_sheet sheet;
    if (!cue_parse(log_null(), "fuzz.cue", text.get(), size, "", &sheet)) return 0;
    for (size_t i = 0; i < sheet.files.size(); i++)
        sheet.files[i].size = uint64_t{size + i} * 2352 * 9;
    if (!cue_place(log_null(), &sheet)) return 0;
    uint32_t previous_end = 0;
    for (size_t i = 0; i < sheet.tracks.size(); i++) {
        const cue_track &t = sheet.tracks[i];
        check(t.disc_pregap == previous_end, "tracks follow each other");
        check(t.disc_pregap <= t.disc_start && t.disc_start < t.disc_end, "INDEX 01 inside");
        previous_end = t.disc_end;
        for (uint32_t lba : {t.disc_pregap, t.disc_start, t.disc_end - 1}) check_block(sheet, i, lba);
    }
    check(previous_end == sheet.sector_count, "the last track ends the disc");
    disc_description *d = cue_description(log_null(), sheet);
    check(d->tocentries == sheet.tracks.size() + 3, "one entry a track after A0 to A2");
    description_free(d);
    return 0;
}
