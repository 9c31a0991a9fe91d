#include "card/cdimage/dump_tracks.h"

#include <algorithm>
#include <memory>

#include "card/cdimage/bcd.h"
#include "card/cdimage/subchannel_q.h"
#include "core/log_whole.h"

namespace {

constexpr uint32_t GAP_CHUNK_SECTORS = 256;

bool is_track(const toc_entry &e) { return e.point >= 0x01 && e.point <= 0x99; }

// The first sector of track point's INDEX 00, scanning back from its INDEX 01
// (start) to no further than floor: the earliest sector of the unbroken run
// whose position frames name the track. A frame with a bad CRC or another
// ADR neither extends nor ends the run.
bool pregap_start(log_sink *log, cd_source *source, uint8_t point, uint32_t start,
                  uint32_t floor, uint32_t *out) {
    *out = start;
    uint8_t sub[GAP_CHUNK_SECTORS * SUBCHANNEL_BLOCK_SIZE];
    for (uint32_t end = start; end > floor;) {
        const uint32_t count = std::min(GAP_CHUNK_SECTORS, end - floor);
        const uint32_t first = end - count;
        if (!source->read(log, first, count,
                          cd_sector_target{nullptr, 0, sub, SUBCHANNEL_BLOCK_SIZE}))
            return false;
        for (uint32_t k = count; k-- > 0;) {
            const uint8_t *q = sub + k * SUBCHANNEL_BLOCK_SIZE + SUBCHANNEL_Q_OFFSET;
            if (!q_crc_ok(q) || (q[0] & 0x0F) != Q_ADR_POSITION) continue;
            if (q[1] != point) return true;
            *out = first + k;
        }
        end = first;
    }
    return true;
}

}  // namespace

bool dump_tracks_list(log_sink *log, const disc_description *d, cd_source *source,
                      std::vector<dump_track> *out) {
    out->clear();
    uint32_t lead_out = source->sector_count;
    for (int i = 0; i < d->tocentries; i++)
        if (d->entries[i].point == TOC_POINT_A2 && d->entries[i].plba < lead_out)
            lead_out = d->entries[i].plba;
    std::vector<const toc_entry *> tracks;
    for (int i = 0; i < d->tocentries; i++)
        if (is_track(d->entries[i])) tracks.push_back(&d->entries[i]);
    std::sort(tracks.begin(), tracks.end(),
              [](const toc_entry *a, const toc_entry *b) { return a->plba < b->plba; });
    if (tracks.empty()) {
        log_file_message(log, source->name.c_str(), ": the table of contents lists no track\n");
        return false;
    }
    for (size_t k = 0; k < tracks.size(); k++) {
        const toc_entry &e = *tracks[k];
        const uint32_t end = k + 1 < tracks.size() ? tracks[k + 1]->plba : lead_out;
        if (e.plba >= end || (k > 0 && e.plba <= tracks[k - 1]->plba)) {
            log_printf_whole(log, "%s: track %02x lies outside the disc or overlaps another\n",
                       source->name.c_str(), e.point);
            return false;
        }
        dump_track t{bcd_to_bin(e.point), !(e.control & TOC_CONTROL_DATA), e.plba, end - e.plba};
        if (k > 0) {
            // The previous file keeps at least its INDEX 01 sector.
            dump_track &previous = out->back();
            uint32_t gap = e.plba;
            if (!pregap_start(log, source, e.point, e.plba, previous.first + 1, &gap))
                return false;
            previous.sectors = gap - previous.first;
            t.sectors += e.plba - gap;
            t.first = gap;
        }
        out->push_back(t);
    }
    return true;
}

bool dump_track_read(log_sink *log, cd_source *source, const dump_track &t, uint32_t at,
                     uint32_t count, uint8_t *out) {
    return source->read(log, t.first + at, count,
                        cd_sector_target{out, CD_SECTOR_SIZE, nullptr, 0});
}

bool dump_track_stream(log_sink *log, cd_source *source, const dump_track &t,
                       const std::function<bool(const uint8_t *data, size_t length)> &sink) {
    const uint32_t chunk = std::min(DUMP_CHUNK_SECTORS, std::max<uint32_t>(t.sectors, 1));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t{chunk} * CD_SECTOR_SIZE]);
    for (uint32_t at = 0; at < t.sectors;) {
        const uint32_t count = std::min(chunk, t.sectors - at);
        if (!dump_track_read(log, source, t, at, count, buffer.get())) return false;
        if (!sink(buffer.get(), size_t{count} * CD_SECTOR_SIZE)) return false;
        at += count;
    }
    return true;
}
