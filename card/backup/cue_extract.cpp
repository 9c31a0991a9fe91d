#include "card/backup/cue_extract.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "card/backup/extract_files.h"
#include "card/backup/stored_image.h"
#include "card/cdimage/bcd.h"
#include "card/cdimage/cue_disc.h"
#include "card/cdimage/cue_sheet.h"
#include "card/cdimage/dump_tracks.h"
#include "card/cdimage/subchannel_q.h"
#include "core/log_whole.h"

namespace {

constexpr uint8_t XA_DISC_TYPE = 0x20;
constexpr int INDEX_LIMIT = 100;

struct track_file {
    dump_track track;
    std::string path;
    uint32_t start;  // INDEX 01, a disc sector
    uint8_t control;
    int mode;  // 0 audio, 1 or 2
    // Where each index from 02 on begins, disc sectors; 0 when absent.
    uint32_t index_at[INDEX_LIMIT] = {};
};

std::string file_name_of(const std::string &path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string msf_text(uint32_t frames) {
    char t[16];
    snprintf(t, sizeof t, "%02u:%02u:%02u", frames / CD_FRAMES_PER_MINUTE,
             frames / CD_FRAMES_PER_SECOND % 60, frames % CD_FRAMES_PER_SECOND);
    return t;
}

std::string sheet_text(const std::vector<track_file> &files) {
    std::string t;
    for (const track_file &f : files) {
        char line[64];
        t += "FILE \"" + file_name_of(f.path) + "\" BINARY\r\n";
        snprintf(line, sizeof line, "  TRACK %02u %s\r\n", f.track.number,
                 f.mode == 0 ? "AUDIO" : f.mode == 1 ? "MODE1/2352" : "MODE2/2352");
        t += line;
        if (f.control & 0x0B) {
            t += "    FLAGS";
            if (f.control & 0x02) t += " DCP";
            if (f.control & 0x08) t += " 4CH";
            if (f.control & 0x01) t += " PRE";
            t += "\r\n";
        }
        if (f.start > f.track.first) t += "    INDEX 00 00:00:00\r\n";
        t += "    INDEX 01 " + msf_text(f.start - f.track.first) + "\r\n";
        for (int i = 2; i < INDEX_LIMIT; i++)
            if (f.index_at[i] != 0) {
                snprintf(line, sizeof line, "    INDEX %02d ", i);
                t += line + msf_text(f.index_at[i] - f.track.first) + "\r\n";
            }
    }
    return t;
}

// Ranges of sectors whose stored Q the sheet does not give, as a warning.
void name_lost_frames(log_sink *log, const cue_sheet &sheet, const std::vector<uint8_t> &q) {
    uint32_t lost = 0, first = 0;
    bool in_run = false;
    auto flush = [&](uint32_t end) {
        log_printf(log, "sectors %u to %u: stored Q frames a cue sheet cannot carry\n", first,
                   end - 1);
    };
    size_t track = 0;
    uint8_t block[SUBCHANNEL_BLOCK_SIZE];
    const uint32_t count = static_cast<uint32_t>(q.size() / Q_FRAME_SIZE);
    for (uint32_t s = 0; s < count; s++) {
        while (track + 1 < sheet.tracks.size() && s >= sheet.tracks[track + 1].disc_pregap) track++;
        cue_subchannel_block(sheet, track, s, block);
        bool same = memcmp(block + SUBCHANNEL_Q_OFFSET, &q[size_t{s} * Q_FRAME_SIZE], Q_FRAME_SIZE) == 0;
        if (!same && !in_run) first = s, in_run = true;
        if (same && in_run) flush(s), in_run = false;
        lost += !same;
    }
    if (in_run) flush(count);
    if (lost > 0)
        log_printf(log, "%u sectors keep Q frames the cue form loses; --as ccd keeps them\n", lost);
}

}  // namespace

bool cue_extract(log_sink *log, const disc_description *d, cd_source *source,
                 const std::string &base, bool replace) {
    std::vector<dump_track> tracks;
    if (!dump_tracks_list(log, d, source, &tracks)) return false;
    // The disc type in A0's second byte: a sheet of MODE2 tracks gives 0x20.
    bool xa = false;
    for (int i = 0; i < d->tocentries; i++)
        if (d->entries[i].point == TOC_POINT_A0) xa = d->entries[i].psec == XA_DISC_TYPE;
    std::vector<track_file> files(tracks.size());
    std::vector<std::string> names{base + ".cue"};
    for (size_t k = 0; k < tracks.size(); k++) {
        track_file &f = files[k];
        f.track = tracks[k];
        char suffix[24];
        snprintf(suffix, sizeof suffix, " (Track %02u).bin", f.track.number);
        f.path = tracks.size() == 1 ? base + ".bin" : base + suffix;
        names.push_back(f.path);
        for (int i = 0; i < d->tocentries; i++)
            if (d->entries[i].point == bcd_from_bin(f.track.number)) {
                f.control = d->entries[i].control;
                f.start = d->entries[i].plba;
            }
        f.mode = f.track.audio ? 0 : xa ? 2 : 1;
    }
    if (!extract_files_absent(log, names, replace)) return false;

    // One pass for the Q frames: the index points beyond 01 and the frames
    // to compare with what the sheet gives.
    std::vector<uint8_t> q(size_t{source->sector_count} * Q_FRAME_SIZE);
    uint32_t at = 0;
    size_t k = 0;
    if (!disc_pass(log, source, [&](const uint8_t *, const uint8_t *sub, uint32_t n) {
            for (uint32_t i = 0; i < n; i++, at++) {
                const uint8_t *frame = sub + size_t{i} * SUBCHANNEL_BLOCK_SIZE + SUBCHANNEL_Q_OFFSET;
                memcpy(&q[size_t{at} * Q_FRAME_SIZE], frame, Q_FRAME_SIZE);
                while (k + 1 < files.size() && at >= files[k + 1].track.first) k++;
                track_file &f = files[k];
                if (q_crc_ok(frame) && (frame[0] & 0x0F) == Q_ADR_POSITION &&
                    frame[1] == bcd_from_bin(f.track.number)) {
                    int index = bcd_to_bin(frame[2]);
                    if (index >= 2 && index < INDEX_LIMIT && f.index_at[index] == 0)
                        f.index_at[index] = at;
                }
            }
            return true;
        }))
        return false;

    const std::string text = sheet_text(files);
    cue_sheet sheet;
    if (!cue_parse(log, names[0].c_str(), text.data(), text.size(), "", &sheet)) return false;
    for (size_t i = 0; i < files.size(); i++) sheet.files[i].size = files[i].track.bytes();
    if (!cue_place(log, &sheet)) return false;
    name_lost_frames(log, sheet, q);

    std::vector<std::unique_ptr<file_replace>> out;
    for (const track_file &f : files) {
        out.push_back(std::make_unique<file_replace>());
        if (!extract_file_begin(log, out.back().get(), f.path)) return false;
        if (!dump_track_stream(log, source, f.track, [&](const uint8_t *data, size_t length) {
                return extract_file_write(log, out.back().get(), data, length);
            }))
            return false;
    }
    file_replace sheet_file;
    if (!extract_file_begin(log, &sheet_file, names[0]) ||
        !extract_file_write(log, &sheet_file, text.data(), text.size()))
        return false;
    for (auto &f : out)
        if (!extract_file_commit(log, f.get())) return false;
    return extract_file_commit(log, &sheet_file);
}
