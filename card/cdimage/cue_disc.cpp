#include "card/cdimage/cue_disc.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/sector_ecc.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "core/log_whole.h"
#include "platform/files.h"

namespace {

constexpr uint8_t DATA_CONTROL = 0x04;
constexpr uint32_t DATA_PREGAP_FRAMES = 150;  // the part of a pregap with the data track's control

bool is_data(const cue_track &t) { return t.mode != CUE_AUDIO; }

uint8_t index_at(const cue_track &t, uint32_t lba) {
    if (lba < t.disc_start) return 0;
    uint8_t index = 1;
    const uint32_t one = std::find_if(t.indexes.begin(), t.indexes.end(),
                                      [](const cue_index &i) { return i.number == 1; })
                             ->frame;
    for (const cue_index &i : t.indexes)
        if (i.number > 1 && lba - t.disc_start >= i.frame - one) index = i.number;
    return index;
}

}  // namespace

uint8_t cue_track_control(const cue_track &t) {
    return static_cast<uint8_t>((is_data(t) ? DATA_CONTROL : 0) | (t.flags & 0x0B));
}

void cue_subchannel_block(const cue_sheet &sheet, size_t track_index, uint32_t lba,
                          uint8_t block[96]) {
    const cue_track &t = sheet.tracks[track_index];
    memset(block, 0, SUBCHANNEL_BLOCK_SIZE);
    const uint8_t index = index_at(t, lba);
    uint8_t control = cue_track_control(t);
    if (index == 0) {
        memset(block, 0xFF, SUBCHANNEL_Q_OFFSET);
        // A data track's pregap after audio starts with the audio's control:
        // only its last two seconds belong to the data track.
        const cue_track *previous = track_index > 0 ? &sheet.tracks[track_index - 1] : nullptr;
        if (is_data(t) && previous != nullptr && !is_data(*previous) &&
            t.disc_start - t.disc_pregap > DATA_PREGAP_FRAMES &&
            lba < t.disc_start - DATA_PREGAP_FRAMES)
            control = cue_track_control(*previous);
    }
    uint8_t *q = block + SUBCHANNEL_Q_OFFSET;
    q[0] = static_cast<uint8_t>(control << 4 | Q_ADR_POSITION);
    q[1] = bcd_from_bin(t.number);
    q[2] = bcd_from_bin(index);
    uint32_t relative = lba < t.disc_start ? t.disc_start - lba - 1 : lba - t.disc_start;
    frames_to_msf(relative, &q[3]);
    q[6] = 0;
    frames_to_msf(lba + CD_PREGAP_FRAMES, &q[7]);
    q_crc_store(q);
}

disc_description *cue_description(log_sink *log, const cue_sheet &sheet) {
    disc_description *d = new disc_description{};
    d->log = log;
    d->version = DESCRIPTION_VERSION;
    d->sessions = 1;
    const cue_track &first = sheet.tracks.front(), &last = sheet.tracks.back();
    bool mode2 = std::any_of(sheet.tracks.begin(), sheet.tracks.end(),
                             [](const cue_track &t) { return t.mode == CUE_MODE2_2352; });
    auto entry = [](uint8_t point, uint8_t control, uint32_t p_frames) {
        toc_entry e{};
        e.session = 1;
        e.point = point;
        e.adr = 1;
        e.control = control;
        uint8_t p[3];
        frames_to_msf(p_frames, p);
        e.pmin = p[0], e.psec = p[1], e.pframe = p[2];
        e.plba = p_frames - CD_PREGAP_FRAMES;
        return e;
    };
    int n = 0;
    d->entries[n] = entry(TOC_POINT_A0, cue_track_control(first), 0);
    d->entries[n].pmin = bcd_from_bin(first.number);
    d->entries[n].psec = mode2 ? 0x20 : 0x00;
    d->entries[n++].plba = 0;
    d->entries[n] = entry(TOC_POINT_A1, cue_track_control(last), 0);
    d->entries[n].pmin = bcd_from_bin(last.number);
    d->entries[n++].plba = 0;
    d->entries[n++] =
        entry(TOC_POINT_A2, cue_track_control(last), sheet.sector_count + CD_PREGAP_FRAMES);
    for (const cue_track &t : sheet.tracks)
        d->entries[n++] =
            entry(bcd_from_bin(t.number), cue_track_control(t), t.disc_start + CD_PREGAP_FRAMES);
    d->tocentries = static_cast<uint8_t>(n);
    return d;
}

namespace {

struct disk_files : cue_file_reader {
    std::vector<std::string> paths;  // for messages
    std::vector<positioned_file *> files;
    ~disk_files() override {
        for (positioned_file *f : files) positioned_file_close(f);
    }
    bool read(log_sink *log, int file, uint64_t offset, const file_piece *pieces, size_t count,
              uint8_t *, size_t) override {
        if (pieces == nullptr ||
            positioned_file_read_pieces_at(files[file], offset, pieces, count) == 0)
            return true;
        log_file_message(log, paths[file].c_str(), ": cannot be read\n");
        return false;
    }
};

struct cue_source : cd_source {
    cue_sheet sheet;
    std::unique_ptr<cue_file_reader> files;
    std::vector<file_piece> pieces;

    size_t track_of(uint32_t lba) const {
        size_t i = 0;
        while (i + 1 < sheet.tracks.size() && lba >= sheet.tracks[i].disc_end) i++;
        return i;
    }

    // A run of a track's sectors that one file holds: the track's own file,
    // or the previous track's file for a pregap appended there.
    struct held_run {
        int file;
        uint64_t offset;  // byte position of the run's first sector
        uint32_t first;   // its disc sector
        uint32_t end;
    };

    // The run of track t holding lba; false for a generated sector.
    static bool held_run_at(const cue_track &t, uint32_t lba, held_run *r) {
        if (lba >= t.file_first && lba < t.file_first + t.file_sectors) {
            *r = {t.file, t.file_offset, t.file_first, t.file_first + t.file_sectors};
            return true;
        }
        if (t.gap_sectors > 0 && lba >= t.gap_first && lba < t.gap_first + t.gap_sectors) {
            *r = {t.gap_file, t.gap_offset, t.gap_first, t.gap_first + t.gap_sectors};
            return true;
        }
        return false;
    }

    // Sectors [lba, lba + count) of track t that run r holds; main or sub
    // null when not wanted.
    bool read_held_run(log_sink *log, const cue_track &t, const held_run &r, uint32_t lba,
                       uint32_t count, uint8_t *main, size_t stride, uint8_t *sub,
                       size_t sub_stride) {
        const uint32_t size = cue_file_sector_size(t.mode);
        const size_t at = size == CD_SECTOR_SIZE ? 0 : 16;
        pieces.resize(count);
        for (uint32_t k = 0; k < count && main != nullptr; k++)
            pieces[k] = {main + k * stride + at, size};
        uint64_t offset = r.offset + uint64_t{lba - r.first} * size;
        return files->read(log, r.file, offset, main != nullptr ? pieces.data() : nullptr, count,
                           sub, sub_stride);
    }

    // A kept subchannel block is used as it is where its Q frame checks;
    // elsewhere (a block the file left empty, a damaged frame) P and Q are
    // generated and the kept R to W stay.
    void check_kept_subchannel(size_t track_index, uint32_t lba, uint8_t *block) const {
        if (q_crc_ok(block + SUBCHANNEL_Q_OFFSET)) return;
        uint8_t generated[SUBCHANNEL_BLOCK_SIZE];
        cue_subchannel_block(sheet, track_index, lba, generated);
        memcpy(block, generated, SUBCHANNEL_Q_OFFSET + Q_FRAME_SIZE);  // P and Q
    }

    // file: the sheet file the sector came from, -1 for a generated one.
    void finish_main(const cue_track &t, uint32_t lba, int file, uint8_t *main) {
        const uint32_t absolute = lba + CD_PREGAP_FRAMES;
        if (file < 0) {
            memset(main, 0, CD_SECTOR_SIZE);
            if (t.mode == CUE_MODE2_2352) sector_header(main, absolute, 2);
            if (t.mode == CUE_MODE1_2352 || t.mode == CUE_MODE1_2048)
                mode1_sector_complete(main, absolute);
        } else if (t.mode == CUE_MODE1_2048) {
            mode1_sector_complete(main, absolute);
        } else if (t.mode == CUE_AUDIO && sheet.files[file].motorola) {
            swap_sample_bytes(main);
        }
    }

    void begin_whole_read() override { files->begin_whole_read(); }
    bool end_whole_read(log_sink *log) override { return files->end_whole_read(log); }
    bool check_all_data(log_sink *log) override { return files->check_all_data(log); }

    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &out) override {
        for (uint32_t done = 0; done < count;) {
            const uint32_t lba = first + done;
            const size_t ti = track_of(lba);
            const cue_track &t = sheet.tracks[ti];
            held_run held{};
            const bool from_file = held_run_at(t, lba, &held);
            // The held sectors are one stretch: an appended pregap runs into the file's part.
            const uint32_t held_first = t.file_first - t.gap_sectors;
            const uint32_t run_end = from_file          ? held.end
                                     : lba < held_first ? held_first
                                                        : t.disc_end;
            const uint32_t run = std::min(count - done, run_end - lba);
            const int file = from_file ? held.file : -1;
            uint8_t *main = out.main != nullptr ? out.main + done * out.main_stride : nullptr;
            uint8_t *sub = out.sub != nullptr ? out.sub + size_t{done} * out.sub_stride : nullptr;
            const bool kept_sub = sub != nullptr && from_file && files->keeps_subchannel(file);
            if (from_file && (main != nullptr || kept_sub) &&
                !read_held_run(log, t, held, lba, run, main, out.main_stride,
                               kept_sub ? sub : nullptr, out.sub_stride))
                return false;
            for (uint32_t k = 0; k < run; k++) {
                if (main != nullptr) finish_main(t, lba + k, file, main + k * out.main_stride);
                if (sub == nullptr) continue;
                uint8_t *block = sub + size_t{k} * out.sub_stride;
                if (kept_sub)
                    check_kept_subchannel(ti, lba + k, block);
                else
                    cue_subchannel_block(sheet, ti, lba + k, block);
            }
            done += run;
        }
        return true;
    }
};

}  // namespace

cd_source *cd_source_from_sheet(const cue_sheet &sheet, const char *name, cue_file_reader *reader) {
    auto s = std::make_unique<cue_source>();
    s->files.reset(reader);
    s->sheet = sheet;
    s->name = name;
    s->sector_count = sheet.sector_count;
    return s.release();
}

cd_source *cd_source_open_cue(log_sink *log, const char *sheet_name, cue_sheet *sheet_out) {
    cue_sheet sheet;
    if (!cue_load(log, sheet_name, &sheet)) return nullptr;
    auto files = std::make_unique<disk_files>();
    for (const cue_file &f : sheet.files) {
        positioned_file *opened = nullptr;
        if (positioned_file_open(f.path.c_str(), POSITIONED_READ_ONLY, &opened) != 0) {
            log_file_message(log, f.path.c_str(), ": cannot be opened\n");
            return nullptr;
        }
        files->paths.push_back(f.path);
        files->files.push_back(opened);
    }
    if (sheet_out != nullptr) *sheet_out = sheet;
    return cd_source_from_sheet(sheet, sheet_name, files.release());
}
