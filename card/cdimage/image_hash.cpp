#include "card/cdimage/image_hash.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_q.h"
#include "core/file_util.h"

namespace {

struct track_hash {
    uint32_t crc;
    uint32_t hashed;
    uint32_t length;  // sectors the TOC gives the track
    bool short_read;  // the source ended inside the run
    bool read_error;  // a read failed: the listing stops
    bool stopped;     // a stop was asked between two chunks
    char status;
};

struct hash_buffers {
    std::unique_ptr<uint8_t[]> subchannel;
    std::unique_ptr<uint8_t[]> main;
};

bool is_data_track(const toc_entry &e) {
    return e.point >= 0x01 && e.point <= 0x99 && (e.control & TOC_CONTROL_DATA);
}

// Sectors from the track's start to the next entry, or to the end of the
// image for the last entry. An entry that starts behind its track, or a track
// that starts past the end, gives an empty run rather than a huge one.
void track_extent(const disc_description *d, int i, uint32_t sector_count, track_hash *t) {
    uint32_t start = d->entries[i].plba;
    bool last = i + 1 == d->tocentries;
    uint32_t end = last ? sector_count : d->entries[i + 1].plba;
    t->length = end > start ? end - start : 0;
    t->status = last ? 'e' : 'n';
}

void hash_track(const log_sink *log, const hash_sector_source *src, uint32_t start,
                hash_buffers *buffers, track_hash *t) {
    run_counter counter;
    run_counter_init(&counter, src->subchannel_stride);
    t->crc = static_cast<uint32_t>(crc32(0, Z_NULL, 0));
    t->hashed = 0;
    t->short_read = false;
    t->read_error = false;
    t->stopped = false;
    for (uint32_t done = 0; done < t->length;) {
        // Only reads so far: the listing may end between any two chunks.
        if (done > 0 && log_stop_requested(log)) {
            t->stopped = true;
            return;
        }
        uint32_t chunk = std::min<uint32_t>(HASH_CHUNK_SECTORS, t->length - done);
        uint32_t got =
            src->read_subchannel(src->user, start + done, chunk, buffers->subchannel.get());
        uint32_t run = data_run_count(&counter, buffers->subchannel.get(), got, &t->status);
        uint32_t read;
        if (src->crc_main != nullptr) {
            read = src->crc_main(src->user, start + done, run, &t->crc);
        } else {
            read = src->read_main(src->user, start + done, run, buffers->main.get());
            t->crc =
                static_cast<uint32_t>(crc32(t->crc, buffers->main.get(), read * CD_SECTOR_SIZE));
        }
        t->hashed += read;
        done += run;
        // A failed read first: it may also have cut a run that ends in this chunk.
        if (read < run || (run == got && got < chunk)) {
            t->read_error = src->failed != nullptr && src->failed(src->user);
            t->short_read = true;
            return;
        }
        if (run < got) return;  // the run ended: 'd' or 't'
    }
}

}  // namespace

int hash_data_tracks(log_sink *log, const disc_description *d, const hash_sector_source *src) {
    hash_buffers buffers{
        std::unique_ptr<uint8_t[]>(
            new uint8_t[size_t{HASH_CHUNK_SECTORS} * src->subchannel_stride]),
        std::unique_ptr<uint8_t[]>(new uint8_t[size_t{HASH_CHUNK_SECTORS} * CD_SECTOR_SIZE])};
    for (int i = 0; i < d->tocentries; i++) {
        const toc_entry &e = d->entries[i];
        if (!is_data_track(e)) continue;
        if (log_stop_point(log)) return 0;
        track_hash t;
        track_extent(d, i, src->sector_count, &t);
        // The line is written whole once the track is read: a source's own
        // message about a failed read then stands on a line of its own.
        hash_track(log, src, e.plba, &buffers, &t);
        if (t.stopped) {
            log_stop_point(log);
            return 0;
        }
        if (t.read_error) {
            log_line(log, "read error");
            return 0;
        }
        log_printf(log, "%02x %02x:%02x:%02x %08x %6u%c\n", e.point, e.pmin, e.psec, e.pframe,
                   t.crc, t.hashed, t.status);
        if (t.short_read)
            log_printf(log, "warning: track %02x: the image holds only %u of its %u sectors\n",
                       e.point, t.hashed, t.length);
    }
    return 1;
}

namespace {

struct source_reader {
    cd_source *source;
    log_sink *log;
    bool failed;  // any read so far failed: a later read must not clear it
};

uint32_t read_source(source_reader *r, uint32_t first, uint32_t count, const cd_sector_target &t) {
    bool failed = false;
    uint32_t got = cd_source_read_some(r->source, r->log, first, count, t, &failed);
    r->failed = r->failed || failed;
    return got;
}

uint32_t read_source_sub(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    return read_source(static_cast<source_reader *>(user), first, count,
                       cd_sector_target{nullptr, 0, out, SUBCHANNEL_BLOCK_SIZE});
}

uint32_t read_source_main(void *user, uint32_t first, uint32_t count, uint8_t *out) {
    return read_source(static_cast<source_reader *>(user), first, count,
                       cd_sector_target{out, CD_SECTOR_SIZE, nullptr, 0});
}

bool source_failed(void *user) { return static_cast<source_reader *>(user)->failed; }

}  // namespace

int hash_listing(log_sink *log, int argc, const char *const *argv) {
    if (argc < 1) return 0;
    image_input in;
    if (!image_input_read(log, argv[0], &in)) return 0;
    int result = 1;  // a ROM has no tracks to list
    if (in.kind == IMAGE_CD) {
        source_reader reader{in.source, log, false};
        hash_sector_source src{&reader,         in.sector_count,  SUBCHANNEL_BLOCK_SIZE,
                               read_source_sub, read_source_main, nullptr,
                               source_failed};
        result = hash_data_tracks(log, in.description, &src);
    }
    image_input_free(&in);
    return result;
}
