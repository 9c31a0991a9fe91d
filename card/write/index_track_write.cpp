// Writing one track of an index disc: stored sectors built in one buffer,
// the neighbouring bytes of partly covered disk sectors kept.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "card/write/index_disc.h"
#include "card/layout/stored_sector.h"
#include "card/cdimage/subchannel_q.h"
#include "core/file_util.h"
#include "core/log_whole.h"

namespace {

constexpr uint32_t TRACK_BUFFER_LIMIT = 0x133000;  // a 1 MiB ROM and its lead-out
constexpr uint32_t ROM_SECTOR_DATA = 2048;
constexpr uint32_t SAMPLES_PER_SECTOR = CD_SECTOR_SIZE / 4;  // stereo, 16 bits each
constexpr uint32_t FADE_SAMPLES = 32768;

// Multiplies the last FADE_SAMPLES stereo samples by a factor that falls
// from 65535 by 2 per sample, in 1/65536.
void fade_out(uint8_t *audio, uint32_t frames) {
    uint32_t total = frames * SAMPLES_PER_SECTOR;
    uint32_t first = total > FADE_SAMPLES ? total - FADE_SAMPLES : 0;
    int32_t factor = 65535;
    for (uint32_t s = first; s < total; s++, factor -= 2) {
        for (int channel = 0; channel < 2; channel++) {
            uint8_t *p = audio + size_t{s} * 4 + channel * 2;
            int32_t v = static_cast<int16_t>(p[0] | p[1] << 8);
            v = (v * factor) >> 16;
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
        }
    }
}

bool read_rom(log_sink *log, const char *name, uint32_t bytes, std::vector<uint8_t> *rom) {
    rom->assign(bytes, 0);
    FILE *f = file_open(name, "rb");
    bool ok = f != nullptr && fread(rom->data(), 1, bytes, f) == bytes;
    if (f != nullptr) fclose(f);
    if (!ok) log_file_message(log, name, ": cannot be read\n");
    return ok;
}

// The preview's main bytes: the source track as far as it keeps its track
// and index numbers, silence after it, and a fade-out at the end.
void read_preview(log_sink *log, const index_track_request &r, std::vector<uint8_t> *audio) {
    audio->assign(size_t{r.frames} * CD_SECTOR_SIZE, 0);
    if (r.source < 0) return;
    uint32_t count = std::min(same_track_count(log, r.image, static_cast<uint32_t>(r.source)), r.frames);
    bool failed = false;
    if (cd_source_read_some(r.image, log, static_cast<uint32_t>(r.source), count,
                            cd_sector_target{audio->data(), CD_SECTOR_SIZE, nullptr, 0},
                            &failed) != count)
        std::fill(audio->begin(), audio->end(), 0);
    fade_out(audio->data(), r.frames);
}

void build_rom_sector(uint8_t *main, const uint8_t *q, const uint8_t *data) {
    memset(main, 0xFF, CD_SECTOR_SIZE);
    main[0] = 0x00;
    main[11] = 0x00;
    memcpy(main + 12, &q[7], 3);  // absolute minute, second, frame (BCD)
    main[15] = 0x01;              // Mode 1
    memcpy(main + 16, data, ROM_SECTOR_DATA);
}

}  // namespace

bool index_track_write(disk_handle *disk, log_sink *log, const char *prefix,
                       const index_track_request &r) {
    uint64_t start = stored_sector_byte(r.destination);
    uint32_t first_sector = static_cast<uint32_t>(start / DISK_SECTOR_SIZE);
    uint32_t skip = static_cast<uint32_t>(start % DISK_SECTOR_SIZE);
    uint64_t span = skip + stored_sector_byte(r.frames + 1);
    uint64_t cover = (span + DISK_SECTOR_SIZE - 1) / DISK_SECTOR_SIZE * DISK_SECTOR_SIZE;
    if (cover > TRACK_BUFFER_LIMIT) {
        log_printf(log, "index track of %u frames is too long\n", r.frames);
        return false;
    }
    std::vector<uint8_t> buffer(cover, 0);
    if ((skip != 0 || !r.write_leadout) &&
        !area_read(disk, first_sector, buffer.data(), static_cast<uint32_t>(cover))) {
        log_line(log, "read error");
        return false;
    }

    std::vector<uint8_t> data;
    if (r.media == INDEX_MEDIA_HUROM) {
        if (!read_rom(log, prefix, r.frames * ROM_SECTOR_DATA, &data)) return false;
    } else {
        read_preview(log, r, &data);
    }
    std::vector<uint8_t> subchannel(size_t{r.frames} * SUBCHANNEL_BLOCK_SIZE);
    uint8_t control = r.media == INDEX_MEDIA_HUROM ? 0x41 : 0x01;
    if (!subq_generate(control, r.track, r.destination, subchannel.data(), r.frames)) {
        log_printf(log, "index track %u at frame %u is out of range\n", r.track, r.destination);
        return false;
    }
    for (uint32_t k = 0; k < r.frames; k++) {
        uint8_t *sector = &buffer[skip + stored_sector_byte(k)];
        memcpy(sector, &subchannel[size_t{k} * SUBCHANNEL_BLOCK_SIZE], SUBCHANNEL_BLOCK_SIZE);
        uint8_t *main = sector + STORED_MAIN_AT;
        if (r.media == INDEX_MEDIA_HUROM) {
            build_rom_sector(main, sector + SUBCHANNEL_Q_OFFSET,
                             &data[size_t{k} * ROM_SECTOR_DATA]);
            if (r.transform != nullptr) r.transform(sector);
        } else {
            if (r.transform != nullptr) r.transform(sector);
            const uint8_t *audio = &data[size_t{k} * CD_SECTOR_SIZE];
            for (int i = 0; i < CD_SECTOR_SIZE; i += 2) {
                main[i] = audio[i + 1];
                main[i + 1] = audio[i];
            }
        }
    }
    if (r.write_leadout) {
        uint8_t q[Q_FRAME_SIZE];
        index_leadout_q(r.leadout_q, q);
        stored_leadout_sector(&buffer[skip + stored_sector_byte(r.frames)], q, r.transform);
    }
    if (!area_write(disk, first_sector, buffer.data(), static_cast<uint32_t>(cover))) {
        log_line(log, "write error");
        return false;
    }
    return true;
}
