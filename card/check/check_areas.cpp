// Reading every area of the card: each sector must read, and each stored CD
// sector from the first image sector to the lead-out must carry a Q frame
// whose check word holds and whose absolute time is its own place.
#include <algorithm>
#include <cstring>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/subchannel_q.h"
#include "card/check/check_run.h"
#include "card/layout/disc_kind.h"
#include "card/layout/stored_sector.h"
#include "card/write/index_toc.h"
#include "platform/files.h"

namespace {

// Whole stored sectors and whole disk sectors at once: 1024 stored sectors.
constexpr uint32_t CHUNK_SECTORS = 4896;
constexpr uint32_t CHUNK_STORED = CHUNK_SECTORS * DISK_SECTOR_SIZE / STORED_SECTOR_SIZE;

// The Q frame of a stored sector in the block's layout.
void q_of(const uint8_t *sector, uint8_t version, uint8_t q[Q_FRAME_SIZE]) {
    if (version != 4) {
        memcpy(q, sector + SUBCHANNEL_Q_OFFSET, Q_FRAME_SIZE);
        return;
    }
    // Interleaved: bit k of the Q channel is bit 6 of byte k.
    memset(q, 0, Q_FRAME_SIZE);
    for (int k = 0; k < Q_FRAME_SIZE * 8; k++)
        q[k / 8] |= static_cast<uint8_t>(((sector[k] >> 6) & 1) << (7 - k % 8));
}

std::string msf_text(const uint8_t msf[3]) {
    char text[16];
    snprintf(text, sizeof text, "%02x:%02x:%02x", msf[0], msf[1], msf[2]);
    return text;
}

struct area_tally {
    uint64_t unreadable = 0, first_unreadable = 0;
    uint64_t bad_crc = 0, first_bad_crc = 0;
    uint64_t misplaced = 0, first_misplaced = 0;
    uint8_t misplaced_said[3] = {};
};

class area_reader {
public:
    area_reader(check_run &run)
        : run_(run), chunk_(size_t{CHUNK_SECTORS} * DISK_SECTOR_SIZE), buffer_(chunk_.as<uint8_t>()) {}
    bool ready() const { return buffer_ != nullptr; }

    // Reads the area; for a CD area, checks the Q frames of stored sectors
    // from..to (inclusive; none when from > to). False when stopped.
    bool read(const checked_block &b, const checked_record &e, uint32_t from, uint32_t to,
              area_tally &t) {
        for (uint64_t done = 0; done < e.r.length; done += CHUNK_SECTORS) {
            if (run_.stop()) return false;
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(CHUNK_SECTORS, e.r.length - done));
            std::vector<bool> bad;
            if (!disk_read_at(run_.disk, e.first + done, buffer_, n * DISK_SECTOR_SIZE)) {
                // Sector by sector, to name what does not read.
                bad.assign(n, false);
                for (uint32_t k = 0; k < n; k++) {
                    uint8_t *at = &buffer_[size_t{k} * DISK_SECTOR_SIZE];
                    if (disk_read_at(run_.disk, e.first + done + k, at, DISK_SECTOR_SIZE))
                        continue;
                    bad[k] = true;
                    if (t.unreadable++ == 0) t.first_unreadable = e.first + done + k;
                }
            }
            run_.summary->sectors_read += n;
            gauge_step(run_.log, n);
            uint32_t base = static_cast<uint32_t>(done / CHUNK_SECTORS) * CHUNK_STORED;
            for (uint32_t f = std::max(from, base); f <= to && f < base + CHUNK_STORED; f++) {
                uint64_t byte = stored_sector_byte(f - base);
                if (byte + STORED_SECTOR_SIZE > uint64_t{n} * DISK_SECTOR_SIZE) break;
                // A stored sector with any unreadable part is counted there.
                if (!bad.empty() &&
                    std::any_of(bad.begin() + static_cast<ptrdiff_t>(byte / DISK_SECTOR_SIZE),
                                bad.begin() + static_cast<ptrdiff_t>(
                                                  (byte + STORED_SECTOR_SIZE - 1) / DISK_SECTOR_SIZE + 1),
                                [](bool b) { return b; }))
                    continue;
                check_q(&buffer_[byte], b.h.version, f, t);
            }
        }
        return true;
    }

private:
    static void check_q(const uint8_t *sector, uint8_t version, uint32_t f, area_tally &t) {
        uint8_t q[Q_FRAME_SIZE];
        q_of(sector, version, q);
        if (!q_crc_ok(q)) {
            if (t.bad_crc++ == 0) t.first_bad_crc = f;
            return;
        }
        uint8_t place[3];
        if ((q[0] & 0x0F) != Q_ADR_POSITION || !frames_to_msf(f, place)) return;
        if (memcmp(place, q + 7, 3) == 0) return;
        if (t.misplaced++ == 0) {
            t.first_misplaced = f;
            memcpy(t.misplaced_said, q + 7, 3);
        }
    }

    check_run &run_;
    mapped_buffer chunk_;  // page aligned, its pages in place before the first read
    uint8_t *buffer_;
};

// The stored sector of the lead-out, from the area's table of contents;
// false when the table has no lead-out entry that checks.
bool leadout_of(check_run &run, const checked_record &e, uint32_t *leadout) {
    std::vector<uint8_t> head(INDEX_TOC_READ_BYTES);
    if (!disk_read_at(run.disk, e.first, head.data(), INDEX_TOC_READ_BYTES)) return false;
    const uint8_t *a2 = index_toc_find(head.data(), 0xA2);
    if (a2 == nullptr || !q_crc_ok(a2)) return false;
    *leadout = msf_to_frames(a2 + 7);
    return true;
}

}  // namespace

void check_areas(check_run &run) {
    uint64_t total = 0;
    for (const checked_block &b : run.blocks)
        for (const checked_record &e : b.records)
            if (e.inside) total += e.r.length;
    gauge_set_range(run.log, static_cast<int64_t>(total));
    area_reader reader(run);
    if (!reader.ready()) {
        run.card("out of memory for reading the areas");
        return;
    }
    for (const checked_block &b : run.blocks) {
        for (uint32_t i = 0; i < b.records.size(); i++) {
            const checked_record &e = b.records[i];
            if (!e.inside) continue;
            uint32_t from = 1, to = 0;  // nothing to check in a ROM entry's area
            if (!(e.r.flags & DISC_FLAG_HUCARD)) {
                uint32_t stored = static_cast<uint32_t>(uint64_t{e.r.length} * DISK_SECTOR_SIZE /
                                                        STORED_SECTOR_SIZE);
                uint32_t leadout = 0;
                if (!leadout_of(run, e, &leadout)) {
                    run.record(b, i, "its table of contents has no lead-out entry that checks");
                } else if (leadout < STORED_PREGAP_SECTORS || leadout >= stored) {
                    run.record(b, i, "its lead-out at stored sector %u lies outside its area of "
                                     "%u stored sectors",
                               leadout, stored);
                } else {
                    from = STORED_PREGAP_SECTORS;
                    to = leadout;
                }
            }
            area_tally t;
            if (!reader.read(b, e, from, to, t)) return;
            if (t.unreadable)
                run.record(b, i, "%llu sectors of its area are unreadable, the first is sector %llu",
                           static_cast<unsigned long long>(t.unreadable),
                           static_cast<unsigned long long>(t.first_unreadable));
            if (t.bad_crc)
                run.record(b, i, "the Q frame of stored sector %llu fails its check word (%llu such "
                                 "frame%s)",
                           static_cast<unsigned long long>(t.first_bad_crc),
                           static_cast<unsigned long long>(t.bad_crc), t.bad_crc == 1 ? "" : "s");
            if (t.misplaced) {
                uint8_t place[3];
                frames_to_msf(static_cast<uint32_t>(t.first_misplaced), place);
                run.record(b, i, "the Q frame of stored sector %llu gives the absolute time %s, "
                                 "its place is %s (%llu such frame%s)",
                           static_cast<unsigned long long>(t.first_misplaced),
                           msf_text(t.misplaced_said).c_str(), msf_text(place).c_str(),
                           static_cast<unsigned long long>(t.misplaced),
                           t.misplaced == 1 ? "" : "s");
            }
        }
    }
}
