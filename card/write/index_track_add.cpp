// Extending an index disc's TOC by the track of a record.
#include <cstring>
#include <memory>

#include "card/cdimage/bcd.h"
#include "card/write/index_disc.h"
#include "card/layout/stored_sector.h"

namespace {

struct description_deleter {
    void operator()(disc_description *d) const { description_free(d); }
};
using toc_ptr = std::unique_ptr<disc_description, description_deleter>;

constexpr uint32_t TOC_READ_BYTES = 2048;

bool is_index_toc(const disc_description *d, uint32_t tracks) {
    if (d->tocentries < 3 + tracks || d->entries[0].point != TOC_POINT_A0 ||
        d->entries[1].point != TOC_POINT_A1 || d->entries[2].point != TOC_POINT_A2)
        return false;
    for (uint32_t t = 1; t <= tracks; t++)
        if (d->entries[2 + t].point != bcd_from_bin(static_cast<uint8_t>(t))) return false;
    return true;
}

// Position and length are what a track entry means; the control and ADR
// nibbles of stored frames are not kept exactly by every rewrite.
bool same_track(const toc_entry &a, const toc_entry &b) {
    return a.point == b.point && a.pmin == b.pmin && a.psec == b.psec && a.pframe == b.pframe &&
           a.amin == b.amin && a.asec == b.asec && a.aframe == b.aframe;
}

// The TOC with track i + 1 of frames length after tracks 1 to i of base.
bool extend(log_sink *log, disc_description *base, uint32_t i, uint32_t frames) {
    toc_entry e;
    if (i == 0) {
        e = base->entries[3];  // the fresh TOC's track 1, at the start of the program area
        e.plba = 0;
    } else {
        e = base->entries[2 + i];
        uint8_t length[3] = {e.amin, e.asec, e.aframe};
        uint32_t previous = msf_to_frames(length);
        e.plba += previous != 0 ? previous : INDEX_PREVIEW_FRAMES;
    }
    uint8_t p[3], a[3], end[3];
    if (!frames_to_msf(e.plba + CD_PREGAP_FRAMES, p) || !frames_to_msf(frames, a) ||
        !frames_to_msf(e.plba + frames + CD_PREGAP_FRAMES, end)) {
        log_line(log, "the index disc has no room for another track");
        return false;
    }
    e.point = bcd_from_bin(static_cast<uint8_t>(i + 1));
    e.pmin = p[0], e.psec = p[1], e.pframe = p[2];
    e.amin = a[0], e.asec = a[1], e.aframe = a[2];
    base->tocentries = static_cast<uint8_t>(i + 4);
    base->entries[i + 3] = e;
    base->entries[1].pmin = e.point;
    base->entries[2].pmin = end[0], base->entries[2].psec = end[1],
    base->entries[2].pframe = end[2];
    return true;
}

}  // namespace

uint32_t index_track_frames(const image_input &in) {
    return in.kind == IMAGE_ROM ? in.rom_size / 2048 : INDEX_PREVIEW_FRAMES;
}

int index_track_prepare(log_sink *log, disk_handle *disk, const image_input &in, uint32_t i,
                        bool fresh, bool overwrite, subchannel_transform transform,
                        uint32_t frame_limit, index_track_plan *plan) {
    if (i >= 99 || (fresh && i != 0)) {
        log_line(log, "the index disc has no room for another track");
        return 0;
    }
    toc_ptr existing;
    if (!fresh) {
        uint8_t head[TOC_READ_BYTES];
        if (!area_read(disk, 0, head, sizeof head)) {
            log_line(log, "read error");
            return 0;
        }
        existing.reset(toc_from_frames(log, head + INDEX_TOC_AT, sizeof head - INDEX_TOC_AT));
        if (existing == nullptr || !is_index_toc(existing.get(), i)) {
            log_line(log, "update area is not found");
            return 0;
        }
    }
    toc_ptr base(toc_from_frames(log, nullptr, 0));
    if (i > 0) *base = *existing;
    uint32_t frames = index_track_frames(in);
    if (!extend(log, base.get(), i, frames)) return 0;

    const toc_entry &added = base->entries[i + 3];
    if (uint64_t{added.plba} + CD_PREGAP_FRAMES + frames + 1 > frame_limit) {
        log_line(log, "disc management area is over capacity");
        return 0;
    }
    bool had_track = existing != nullptr && existing->tocentries >= i + 4;
    bool last_track = existing != nullptr && existing->tocentries == i + 4;
    bool unchanged = had_track && same_track(existing->entries[i + 3], added);
    // A record replaced in place keeps its track; only the disc's last track
    // may change its length without moving the tracks after it.
    plan->result = unchanged && (overwrite || last_track) ? 2 : 1;
    if (overwrite && plan->result == 1 && !last_track) {
        log_line(log, "update area is not found");
        return 0;
    }

    memset(plan->toc, STORED_PREGAP_FILL, sizeof plan->toc);
    toc_to_frames(base.get(), plan->toc + INDEX_TOC_AT, sizeof plan->toc - INDEX_TOC_AT);
    plan->toc_bytes = fresh ? INDEX_FRESH_BYTES : INDEX_TOC_READ_BYTES;

    index_track_request &r = plan->track;
    r.media = in.kind == IMAGE_ROM ? INDEX_MEDIA_HUROM : INDEX_MEDIA_CDROM;
    r.source = -1;
    r.image = in.source;
    if (r.media == INDEX_MEDIA_CDROM && !preview_source(log, in.description, &r.source)) return 0;
    r.frames = frames;
    r.destination = added.plba + CD_PREGAP_FRAMES;
    r.track = static_cast<uint8_t>(i + 1);
    r.write_leadout = plan->result != 2;
    toc_entry_to_frame(&base->entries[2], r.leadout_q);
    r.transform = transform;
    return plan->result;
}

bool index_track_commit(log_sink *log, disk_handle *disk, const std::vector<uint8_t> &rom,
                        const index_track_plan &plan) {
    if (!index_track_write(disk, log, rom, plan.track)) return false;
    if (plan.result == 2) return true;
    if (!area_write(disk, 0, plan.toc, plan.toc_bytes)) {
        log_line(log, "write error");
        return false;
    }
    return true;
}
