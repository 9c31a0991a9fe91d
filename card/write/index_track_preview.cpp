#include "card/write/index_disc.h"

bool preview_source(log_sink *log, const disc_description *d, int64_t *source) {
    *source = -1;
    bool seen_a0 = false, seen_a1 = false, seen_a2 = false;
    int data_tracks = 0, audio_tracks = 0;
    const toc_entry *taken = nullptr;
    for (int i = 0; i < d->tocentries && taken == nullptr; i++) {
        const toc_entry &e = d->entries[i];
        if (e.point == TOC_POINT_A0) seen_a0 = true;
        if (e.point == TOC_POINT_A1) seen_a1 = true;
        if (e.point == TOC_POINT_A2) seen_a2 = true;
        if (e.point >= TOC_POINT_A0) continue;
        if (e.control & TOC_CONTROL_DATA) {
            data_tracks++;
        } else {
            audio_tracks++;
            if (data_tracks > 0) taken = &e;
        }
    }
    if (!(seen_a0 && seen_a1 && seen_a2)) log_line(log, "warning: toc 0xAx are wrong");
    if (taken == nullptr && !(data_tracks == 1 && audio_tracks == 1)) {
        for (int i = 0; i < d->tocentries; i++) {
            const toc_entry &e = d->entries[i];
            if (e.point != 0x02) continue;
            if (e.control & TOC_CONTROL_DATA) {
                log_printf(log, "TRACK%02d not audio track\n", 2);
                return false;
            }
            taken = &e;
            break;
        }
    }
    if (taken != nullptr) *source = taken->plba;
    return true;
}
