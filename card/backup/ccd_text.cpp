#include "card/backup/ccd_text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "core/printf_format.h"

namespace {

constexpr int MODE_BYTE = 15;  // of a data sector's header

void append(std::string *text, const char *format, ...) VMK_PRINTF(2, 3);
void append(std::string *text, const char *format, ...) {
    char line[160];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *text += line;
}

}  // namespace

bool ccd_text(log_sink *log, const disc_description *d, cd_source *source, std::string *text) {
    std::string t = "[CloneCD]\nVersion=3\n";
    append(&t, "[Disc]\nTocEntries=%d\nSessions=1\nDataTracksScrambled=0\nCDTextLength=0\n",
           d->tocentries);
    t += "[Session 1]\nPreGapMode=1\nPreGapSubC=0\n";
    for (int i = 0; i < d->tocentries; i++) {
        const toc_entry &e = d->entries[i];
        bool track = e.point < TOC_POINT_A0;
        long a = msf_to_frames(&e.amin), p = msf_to_frames(&e.pmin);
        append(&t,
               "[Entry %d]\nSession=1\nPoint=0x%02x\nADR=0x%02x\nControl=0x%02x\nTrackNo=0\n"
               "AMin=%d\nASec=%d\nAFrame=%d\nALBA=%ld\nZero=0\nPMin=%d\nPSec=%d\nPFrame=%d\n"
               "PLBA=%ld\n",
               i, track ? bcd_to_bin(e.point) : e.point, e.adr, e.control, bcd_to_bin(e.amin),
               bcd_to_bin(e.asec), bcd_to_bin(e.aframe), a - CD_PREGAP_FRAMES,
               bcd_to_bin(e.pmin), bcd_to_bin(e.psec), bcd_to_bin(e.pframe),
               p - CD_PREGAP_FRAMES);
    }
    std::vector<uint8_t> main(CD_SECTOR_SIZE);
    for (int i = 0; i < d->tocentries; i++) {
        const toc_entry &e = d->entries[i];
        if (e.point >= TOC_POINT_A0) continue;
        int mode = 0;
        if ((e.control & TOC_CONTROL_DATA) != 0 && e.plba < source->sector_count) {
            if (!source->read(log, e.plba, 1, cd_sector_target{main.data(), CD_SECTOR_SIZE, nullptr, 0}))
                return false;
            mode = main[MODE_BYTE] == 2 ? 2 : 1;
        }
        append(&t, "[TRACK %d]\nMODE=%d\nINDEX 1=%u\n", bcd_to_bin(e.point), mode, e.plba);
    }
    *text = std::move(t);
    return true;
}
