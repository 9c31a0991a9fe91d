#include "card/cdimage/chd_disc.h"

#include <cstring>
#include <memory>

#include "card/cdimage/chd_file.h"
#include "card/cdimage/cue_disc.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_q.h"
#include "card/cdimage/subchannel_swap.h"
#include "core/log_whole.h"

namespace {


struct track_type {
    const char *name;
    cue_mode mode;
};
// The track types as CHD metadata spells them; a sheet's own words
// ("MODE1/2352", ...) are understood too.
constexpr track_type CHD_ONLY_TYPES[] = {
    {"MODE1_RAW", CUE_MODE1_2352},
    {"MODE1", CUE_MODE1_2048},
    {"MODE2_RAW", CUE_MODE2_2352},
    {"AUDIO", CUE_AUDIO},
};

bool track_mode(const std::string &type, cue_mode *mode) {
    for (const track_type &k : CHD_ONLY_TYPES)
        if (type == k.name) {
            *mode = k.mode;
            return true;
        }
    return cue_mode_from_name(type, mode);
}

// The value after key: in text ("" when absent).
std::string field(const std::string &text, const char *key) {
    size_t at = 0;
    const std::string k = std::string(key) + ":";
    while ((at = text.find(k, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == ' ') break;
        at += k.size();
    }
    if (at == std::string::npos) return "";
    at += k.size();
    return text.substr(at, text.find(' ', at) - at);
}

bool number(const std::string &s, uint32_t max, uint32_t *out) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *out = static_cast<uint32_t>(std::stoul(s));
    return *out <= max;
}

// Sheet file k is CHD track k: its sectors start at frame first[k].
struct chd_reader : cue_file_reader {
    std::unique_ptr<chd_file> chd;
    std::vector<uint64_t> first;
    std::vector<uint32_t> sector_size;
    std::vector<chd_track_frames> tracks;
    bool keeps_subchannel(int file) const override { return tracks[file].raw_subchannel; }
    void begin_whole_read() override { chd_check_begin(chd.get()); }
    bool end_whole_read(log_sink *log) override { return chd_check_end(log, chd.get()); }
    bool check_all_data(log_sink *log) override {
        chd_check_begin(chd.get());
        return chd_check_end(log, chd.get());
    }
    bool read(log_sink *log, int file, uint64_t offset, const file_piece *pieces, size_t count,
              uint8_t *sub, size_t sub_stride) override {
        const uint32_t frames_per_hunk = chd->hunk_bytes / CHD_CD_FRAME_BYTES;
        uint64_t sector = offset / sector_size[file];
        for (size_t k = 0; k < count; k++, sector++) {
            if (sector >= tracks[file].stored ||
                (pieces != nullptr && pieces[k].bytes > sector_size[file])) {
                log_file_message(log, chd->name.c_str(), ": track shorter than its metadata\n");
                return false;
            }
            const uint64_t frame = first[file] + sector;
            const uint8_t *hunk = chd_hunk(log, chd.get(), static_cast<uint32_t>(frame / frames_per_hunk));
            if (hunk == nullptr) return false;
            const uint8_t *bytes = hunk + frame % frames_per_hunk * CHD_CD_FRAME_BYTES;
            if (pieces != nullptr) memcpy(pieces[k].data, bytes, pieces[k].bytes);
            if (sub != nullptr && tracks[file].raw_subchannel) {
                uint8_t *block = sub + k * sub_stride;
                memcpy(block, bytes + CD_SECTOR_SIZE, SUBCHANNEL_BLOCK_SIZE);
                subchannel_to_per_channel(block);
            }
        }
        return true;
    }
};

// Track metadata has no word for a track's flags (four channels, copy
// permitted, pre-emphasis); a track that keeps its raw subchannel carries
// them in the Q frame of its INDEX 01, which the TOC then follows.
bool kept_flags(log_sink *log, chd_reader &reader, size_t k, cue_track *t) {
    const uint32_t index_one = t->indexes.back().frame;
    if (index_one >= reader.tracks[k].stored) return true;
    const uint64_t frame = reader.first[k] + index_one;
    const uint32_t frames_per_hunk = reader.chd->hunk_bytes / CHD_CD_FRAME_BYTES;
    const uint8_t *hunk = chd_hunk(log, reader.chd.get(), static_cast<uint32_t>(frame / frames_per_hunk));
    if (hunk == nullptr) return false;
    uint8_t block[SUBCHANNEL_BLOCK_SIZE];
    memcpy(block, hunk + frame % frames_per_hunk * CHD_CD_FRAME_BYTES + CD_SECTOR_SIZE, sizeof block);
    subchannel_to_per_channel(block);
    const uint8_t *q = block + SUBCHANNEL_Q_OFFSET;
    if (q_crc_ok(q) && (q[0] & 0x0F) == Q_ADR_POSITION) t->flags = static_cast<uint8_t>(q[0] >> 4 & 0x0B);
    return true;
}

}  // namespace

const char *chd_track_type(cue_mode mode) {
    for (const track_type &k : CHD_ONLY_TYPES)
        if (k.mode == mode) return k.name;
    return "AUDIO";
}

bool chd_track_parse(const std::string &text, cue_sheet *sheet, chd_track_frames *stored) {
    cue_track t{};
    uint32_t number_value = 0, frames = 0, pregap = 0, postgap = 0;
    if (!number(field(text, "TRACK"), CUE_TRACKS_MAX, &number_value) || number_value == 0 ||
        !number(field(text, "FRAMES"), 1u << 24, &frames))
        return false;
    const std::string type = field(text, "TYPE"), pregap_type = field(text, "PGTYPE");
    const std::string pregap_text = field(text, "PREGAP"), postgap_text = field(text, "POSTGAP");
    if ((!pregap_text.empty() && !number(pregap_text, 1u << 24, &pregap)) ||
        (!postgap_text.empty() && !number(postgap_text, 1u << 24, &postgap)))
        return false;
    if (!track_mode(type, &t.mode)) return false;
    // Every frame keeps 96 subchannel bytes whatever the subtype says;
    // only raw ones are used.
    const std::string subtype = field(text, "SUBTYPE");
    t.number = static_cast<uint8_t>(number_value);
    t.file = static_cast<int>(sheet->files.size());
    // A pregap the image keeps ("V" type) is the first part of the track's
    // frames, as INDEX 00 in a sheet; otherwise it is generated.
    const bool pregap_stored = !pregap_type.empty() && pregap_type[0] == 'V';
    if (pregap_stored) {
        if (pregap > frames) return false;
        if (pregap > 0) t.indexes.push_back({0, 0});
        t.indexes.push_back({1, pregap});
    } else {
        t.pregap = pregap;
        t.indexes.push_back({1, 0});
    }
    t.postgap = postgap;
    sheet->files.push_back({"", true, uint64_t{frames} * cue_file_sector_size(t.mode)});
    sheet->tracks.push_back(t);
    *stored = {frames, subtype == "RW_RAW"};
    return true;
}

cd_source *cd_source_open_chd(log_sink *log, const char *name, cue_sheet *sheet_out) {
    auto reader = std::make_unique<chd_reader>();
    reader->chd = chd_open(log, name);
    if (reader->chd == nullptr) return nullptr;
    chd_file *chd = reader->chd.get();
    std::vector<std::string> tracks;
    if (!chd_metadata(log, chd, chd_tag('C', 'H', 'T', '2'), &tracks)) return nullptr;
    if (tracks.empty() && !chd_metadata(log, chd, chd_tag('C', 'H', 'T', 'R'), &tracks))
        return nullptr;
    if (tracks.empty() || chd->hunk_bytes % CHD_CD_FRAME_BYTES != 0) {
        log_file_message(log, name, ": not a CD image (no CD track metadata)\n");
        return nullptr;
    }
    cue_sheet sheet;
    sheet.name = name;
    uint64_t frame = 0;
    for (const std::string &text : tracks) {
        chd_track_frames stored{};
        if (!chd_track_parse(text, &sheet, &stored) ||
            sheet.tracks.back().number != sheet.tracks.size()) {
            log_file_message(log, name, ": CD track metadata not understood: ");
            log_write(log, text.c_str());
            log_write(log, "\n");
            return nullptr;
        }
        sheet.files.back().path = name;
        reader->first.push_back(frame);
        reader->tracks.push_back(stored);
        reader->sector_size.push_back(cue_file_sector_size(sheet.tracks.back().mode));
        frame += (stored.stored + CHD_CD_TRACK_PADDING - 1) / CHD_CD_TRACK_PADDING * CHD_CD_TRACK_PADDING;
    }
    if (frame * CHD_CD_FRAME_BYTES > chd->logical_bytes) {
        log_file_message(log, name, ": tracks longer than the CHD's data\n");
        return nullptr;
    }
    for (size_t k = 0; k < sheet.tracks.size(); k++)
        if (reader->tracks[k].raw_subchannel && !kept_flags(log, *reader, k, &sheet.tracks[k]))
            return nullptr;
    if (!cue_place(log, &sheet)) return nullptr;
    if (sheet_out != nullptr) *sheet_out = sheet;
    return cd_source_from_sheet(sheet, name, reader.release());
}
