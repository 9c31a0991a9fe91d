// Placing the sectors of a cue sheet on the disc, and loading a sheet.
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/cue_sheet.h"
#include "core/file_util.h"
#include "core/log_whole.h"

namespace {

constexpr size_t SHEET_SIZE_MAX = 1 << 20;  // far beyond 99 tracks of text
constexpr char STARTS_EARLY[] = "a track starts before the previous one's last index";

uint32_t index_one_frame(const cue_track &t) {
    for (const cue_index &i : t.indexes)
        if (i.number == 1) return i.frame;
    return t.indexes.front().frame;
}

bool file_fault(log_sink *log, const std::string &file, const char *what) {
    log_file_message(log, file.c_str(), (std::string(": ") + what + "\n").c_str());
    return false;
}

// The whole sectors of file f in bytes [offset, end).
bool sectors_between(log_sink *log, const cue_file &f, uint64_t offset, uint64_t end,
                     uint32_t size, uint32_t *sectors) {
    if (offset > end) return file_fault(log, f.path, "too short for its tracks");
    uint64_t rest = end - offset;
    if (rest % size != 0) return file_fault(log, f.path, "size is not a whole number of sectors");
    if (rest / size > CD_POSITION_LIMIT) return file_fault(log, f.path, "too long for a CD");
    *sectors = static_cast<uint32_t>(rest / size);
    return true;
}

}  // namespace

bool cue_layout(log_sink *log, cue_sheet *sheet) {
    for (cue_file &f : sheet->files) {
        int64_t size = file_size(f.path.c_str());
        if (size < 0) return file_fault(log, f.path, "not found");
        f.size = static_cast<uint64_t>(size);
    }
    return cue_place(log, sheet);
}

bool cue_place(log_sink *log, cue_sheet *sheet) {
    std::vector<cue_track> &tracks = sheet->tracks;
    uint64_t cursor = 0;
    for (size_t i = 0; i < tracks.size(); i++) {
        cue_track &t = tracks[i];
        const cue_file &f = sheet->files[t.file];
        const uint32_t size = cue_file_sector_size(t.mode);
        const uint32_t first = t.indexes.front().frame;
        const bool follows = i > 0 && tracks[i - 1].file == t.file;
        if (t.gap_file >= 0 && (i == 0 || tracks[i - 1].file != t.gap_file))
            return file_fault(log, sheet->name, "a track's INDEX 00 is not in the previous track's file");
        if (follows) {
            cue_track &p = tracks[i - 1];
            uint32_t p_first = p.indexes.front().frame;
            if (first < p.indexes.back().frame)
                return file_fault(log, sheet->name, STARTS_EARLY);
            p.file_sectors = first - p_first;
        }
        t.file_offset = follows ? tracks[i - 1].file_offset +
                                      uint64_t{tracks[i - 1].file_sectors} *
                                          cue_file_sector_size(tracks[i - 1].mode)
                                : uint64_t{first} * size;
        if (follows) {
            // The previous track's sectors, now counted, must be in the file.
            if (t.file_offset > f.size) return file_fault(log, f.path, "too short for its tracks");
        }
        const bool last_in_file = i + 1 == tracks.size() || tracks[i + 1].file != t.file;
        if (last_in_file) {
            uint64_t end = f.size;
            // The next track's pregap appended to this file ends the track.
            if (i + 1 < tracks.size() && tracks[i + 1].gap_file == t.file) {
                cue_track &n = tracks[i + 1];
                if (n.gap_frame < t.indexes.back().frame)
                    return file_fault(log, sheet->name, STARTS_EARLY);
                n.gap_offset = t.file_offset + uint64_t{n.gap_frame - first} * size;
                if (!sectors_between(log, f, n.gap_offset, f.size, cue_file_sector_size(n.mode),
                                     &n.gap_sectors))
                    return false;
                end = n.gap_offset;
            }
            if (!sectors_between(log, f, t.file_offset, end, size, &t.file_sectors)) return false;
        }
    }
    for (size_t i = 0; i < tracks.size(); i++) {
        cue_track &t = tracks[i];
        const uint32_t size = cue_file_sector_size(t.mode);
        const uint32_t first = t.indexes.front().frame;
        const uint32_t lead = index_one_frame(t) - first;  // INDEX 00 sectors in the file
        if (t.file_sectors <= lead)
            return file_fault(log, sheet->files[t.file].path, "too short for its tracks");
        t.disc_pregap = static_cast<uint32_t>(cursor);
        if (i == 0) {
            // Track 1's pregap is the card's own lead-in area: the disc
            // proper starts at INDEX 01.
            t.pregap = 0;
            t.file_offset += uint64_t{lead} * size;
            t.file_sectors -= lead;
        } else {
            cursor += t.pregap;
            t.gap_first = static_cast<uint32_t>(cursor);
            cursor += t.gap_sectors;
        }
        t.file_first = static_cast<uint32_t>(cursor);
        t.disc_start = t.file_first + (i == 0 ? 0 : lead);
        cursor += uint64_t{t.file_sectors} + t.postgap;
        t.disc_end = static_cast<uint32_t>(cursor);
        if (cursor + CD_PREGAP_FRAMES >= CD_POSITION_LIMIT) {
            return file_fault(log, sheet->name, "the disc is longer than 99:59:74");
        }
    }
    sheet->sector_count = static_cast<uint32_t>(cursor);
    return true;
}

bool cue_load(log_sink *log, const char *sheet_name, cue_sheet *out) {
    int64_t size = file_size(sheet_name);
    if (size < 0) return file_fault(log, sheet_name, "not found");
    if (size > int64_t{SHEET_SIZE_MAX}) return file_fault(log, sheet_name, "too large for a cue sheet");
    std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
    if (!file_read_whole(sheet_name, text.data(), static_cast<size_t>(size)))
        return file_fault(log, sheet_name, "cannot be read");
    std::string name = sheet_name;
    size_t slash = name.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    return cue_parse(log, sheet_name, text.data(), static_cast<size_t>(size), folder, out) &&
           cue_layout(log, out);
}
