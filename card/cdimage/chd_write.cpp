#include "card/cdimage/chd_write.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/chd_disc.h"
#include "card/cdimage/chd_file.h"
#include "card/cdimage/chd_write_ahead.h"
#include "card/cdimage/dump_tracks.h"
#include "card/cdimage/sector_ecc.h"
#include "card/cdimage/subchannel_swap.h"
#include "core/file_replace.h"
#include "core/log_whole.h"
#include "core/sha1.h"
#include "core/status.h"

namespace {

constexpr uint32_t FRAMES_PER_HUNK = 8;
constexpr uint32_t HUNK_BYTES = FRAMES_PER_HUNK * CHD_CD_FRAME_BYTES;
constexpr uint8_t METADATA_CHECKSUM = 0x01;  // the entry counts in the overall SHA-1
constexpr uint32_t METADATA_HEADER_BYTES = 16;
constexpr uint8_t XA_DISC_TYPE = 0x20;

// One track as the file keeps it: disc sectors [first, end), of which the
// first `pregap` are its INDEX 00.
struct stored_track {
    int number;
    cue_mode mode;
    uint32_t first, pregap, end;
    uint32_t frames() const { return end - first; }
    uint32_t padded() const {
        return (frames() + CHD_CD_TRACK_PADDING - 1) / CHD_CD_TRACK_PADDING * CHD_CD_TRACK_PADDING;
    }
};

void put_be(uint8_t *p, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; i--, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

// The tracks as the dump groups lay them out (each later track from its
// INDEX 00), with their modes and pregaps.
bool plan_tracks(log_sink *log, const disc_description &d, cd_source *src,
                 std::vector<stored_track> *out) {
    std::vector<dump_track> files;
    if (!dump_tracks_list(log, &d, src, &files)) return false;
    if (files[0].first != 0) {
        // Sectors before track 1 would belong to no track.
        log_file_message(log, src->name.c_str(), ": track 1 does not start the disc\n");
        return false;
    }
    // A data track's mode is its INDEX 01 sector's; where that sector has
    // no header, the disc type in the TOC's first-track entry tells.
    bool mode2 = false;
    for (int k = 0; k < d.tocentries; k++)
        if (d.entries[k].point == TOC_POINT_A0) mode2 = d.entries[k].psec == XA_DISC_TYPE;
    for (const dump_track &f : files) {
        stored_track t{f.number, CUE_AUDIO, f.first, 0, f.first + f.sectors};
        for (int k = 0; k < d.tocentries; k++)
            if (d.entries[k].point == bcd_from_bin(f.number)) t.pregap = d.entries[k].plba - f.first;
        if (!f.audio) {
            uint8_t sector[CD_SECTOR_SIZE];
            if (!src->read(log, f.first + t.pregap, 1, {sector, CD_SECTOR_SIZE, nullptr, 0}))
                return false;
            const bool header = memcmp(sector, SECTOR_SYNC, sizeof SECTOR_SYNC) == 0 &&
                                (sector[15] == 1 || sector[15] == 2);
            t.mode = (header ? sector[15] == 2 : mode2) ? CUE_MODE2_2352 : CUE_MODE1_2352;
        }
        out->push_back(t);
    }
    return true;
}

std::string track_metadata(const stored_track &t) {
    const std::string type = chd_track_type(t.mode);
    const bool pregap = t.pregap > 0;
    return "TRACK:" + std::to_string(t.number) + " TYPE:" + type + " SUBTYPE:RW_RAW FRAMES:" +
           std::to_string(t.frames()) + " PREGAP:" + std::to_string(t.pregap) +
           " PGTYPE:" + (pregap ? "V" + type : type) + " PGSUB:" + (pregap ? "RW_RAW" : "NONE") +
           " POSTGAP:0";
}

// Most significant bit first.
struct bit_writer {
    std::vector<uint8_t> bytes;
    uint64_t buffer = 0;
    int bits = 0;
    void put(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; i--) {
            buffer = buffer << 1 | (value >> i & 1);
            if (++bits == 8) {
                bytes.push_back(static_cast<uint8_t>(buffer));
                buffer = 0;
                bits = 0;
            }
        }
    }
    void flush() {
        if (bits > 0) put(0, 8 - bits);
    }
};

int bits_for(uint64_t v) {
    int n = 0;
    while (v >> n != 0) n++;
    return n;
}

// The compressed map of entries that follow each other from first_offset:
// every type code the same length (4 bits, a complete code of the 16
// symbols), no runs, then each hunk's length and CRC.
std::vector<uint8_t> encode_map(const std::vector<chd_hunk_entry> &map, uint64_t first_offset) {
    constexpr int CODE_BITS = 4;
    uint32_t longest = 0;
    std::vector<uint8_t> raw(map.size() * 12);
    for (size_t h = 0; h < map.size(); h++) {
        if (map[h].kind < CHD_STORED_RAW) longest = std::max(longest, map[h].length);
        chd_map_entry_bytes(map[h], &raw[h * 12]);
    }
    const int length_bits = bits_for(longest);
    bit_writer w;
    for (int s = 0; s < CHD_MAP_SYMBOLS; s++) w.put(CODE_BITS, 4);
    // Equal lengths make each symbol's code the symbol itself.
    for (const chd_hunk_entry &e : map) w.put(e.kind < CHD_STORED_RAW ? int{e.kind} : int{CHD_MAP_NONE}, CODE_BITS);
    for (const chd_hunk_entry &e : map) {
        if (e.kind < CHD_STORED_RAW) w.put(e.length, length_bits);
        w.put(e.crc, 16);
    }
    w.flush();
    std::vector<uint8_t> out(16);
    put_be(&out[0], w.bytes.size(), 4);
    put_be(&out[4], first_offset, 6);
    put_be(&out[10], crc16_ccitt(0xFFFF, raw.data(), raw.size()), 2);
    out[12] = static_cast<uint8_t>(length_bits);
    out.insert(out.end(), w.bytes.begin(), w.bytes.end());
    return out;
}

// The metadata entries chained one after another from `at`, and the
// overall SHA-1: of the data's SHA-1 followed by each checksummed entry's
// tag and SHA-1, those sorted.
std::vector<uint8_t> encode_metadata(const std::vector<std::string> &texts, uint64_t at,
                                     std::vector<uint8_t> *hashes) {
    std::vector<uint8_t> out;
    for (size_t k = 0; k < texts.size(); k++) {
        const uint32_t length = static_cast<uint32_t>(texts[k].size() + 1);
        const uint64_t next = k + 1 < texts.size() ? at + out.size() + METADATA_HEADER_BYTES + length : 0;
        uint8_t h[METADATA_HEADER_BYTES];
        put_be(h, chd_tag('C', 'H', 'T', '2'), 4);
        h[4] = METADATA_CHECKSUM;
        put_be(h + 5, length, 3);
        put_be(h + 8, next, 8);
        out.insert(out.end(), h, h + METADATA_HEADER_BYTES);
        const auto *text = reinterpret_cast<const uint8_t *>(texts[k].c_str());
        out.insert(out.end(), text, text + length);
        uint8_t hash[24];
        memcpy(hash, h, 4);
        sha1_digest(text, length, hash + 4);
        hashes->insert(hashes->end(), hash, hash + 24);
    }
    return out;
}

void overall_sha1(const uint8_t raw_sha1[20], std::vector<uint8_t> hashes, uint8_t out[20]) {
    std::vector<std::vector<uint8_t>> entries;
    for (size_t k = 0; k + 24 <= hashes.size(); k += 24)
        entries.emplace_back(hashes.begin() + k, hashes.begin() + k + 24);
    std::sort(entries.begin(), entries.end());
    sha1_context c;
    sha1_init(&c);
    sha1_update(&c, raw_sha1, 20);
    for (const auto &e : entries) sha1_update(&c, e.data(), e.size());
    sha1_final(&c, out);
}

struct ahead_stopper {
    void operator()(chd_write_ahead *w) const { chd_write_ahead_stop(w); }
};

// Where each logical frame of the file comes from.
struct frame_source {
    const std::vector<stored_track> &tracks;
    size_t track = 0;
    uint64_t track_frame = 0;  // the logical frame where `track` begins
};

// Fills hunk `hunk` (its frames from logical frame h * 8): each track's
// sectors with their subchannel interleaved and audio big-endian, zeros
// where a track's padding lies or the data ends.
bool fill_hunk(log_sink *log, cd_source *src, frame_source *at, uint32_t hunk, uint8_t *out) {
    memset(out, 0, HUNK_BYTES);
    uint64_t frame = uint64_t{hunk} * FRAMES_PER_HUNK;
    const uint64_t end = frame + FRAMES_PER_HUNK;
    while (frame < end && at->track < at->tracks.size()) {
        const stored_track &t = at->tracks[at->track];
        if (frame >= at->track_frame + t.padded()) {
            at->track_frame += t.padded();
            at->track++;
            continue;
        }
        const uint64_t in_track = frame - at->track_frame;
        const uint64_t to = std::min<uint64_t>(end, at->track_frame + t.padded());
        if (in_track < t.frames()) {
            const uint32_t count = static_cast<uint32_t>(
                std::min<uint64_t>(to - frame, t.frames() - in_track));
            uint8_t *place = out + (frame - uint64_t{hunk} * FRAMES_PER_HUNK) * CHD_CD_FRAME_BYTES;
            if (!src->read(log, t.first + static_cast<uint32_t>(in_track), count,
                           {place, CHD_CD_FRAME_BYTES, place + CD_SECTOR_SIZE, CHD_CD_FRAME_BYTES}))
                return false;
            for (uint32_t k = 0; k < count; k++) {
                uint8_t *f = place + size_t{k} * CHD_CD_FRAME_BYTES;
                if (t.mode == CUE_AUDIO) swap_sample_bytes(f);
                subchannel_to_interleaved(f + CD_SECTOR_SIZE);
            }
        }
        frame = to;
    }
    return true;
}

struct written_file {
    file_replace r;
    uint64_t offset = 0;
    bool write(const void *data, size_t n) {
        offset += n;
        return file_replace_write(&r, data, n) != 0;
    }
};

}  // namespace

int chd_write_disc(log_sink *log, const char *path, const disc_description &d, cd_source *src,
                   const chd_write_options &o) {
    std::vector<stored_track> tracks;
    if (!plan_tracks(log, d, src, &tracks)) return VMK_FAILED;
    std::vector<std::string> texts;
    uint64_t frames = 0;
    for (const stored_track &t : tracks) {
        texts.push_back(track_metadata(t));
        frames += t.padded();
    }
    const uint64_t logical_bytes = frames * CHD_CD_FRAME_BYTES;
    const uint32_t hunks = static_cast<uint32_t>((frames + FRAMES_PER_HUNK - 1) / FRAMES_PER_HUNK);
    const uint32_t codecs[4] = {chd_tag('c', 'd', 'l', 'z'), chd_tag('c', 'd', 'z', 'l'),
                                chd_tag('c', 'd', 'f', 'l'),
                                o.zstd ? chd_tag('c', 'd', 'z', 's') : 0};
    std::unique_ptr<chd_write_ahead, ahead_stopper> ahead(
        chd_write_ahead_start(codecs, HUNK_BYTES, o.threads));
    if (ahead == nullptr) {
        log_write(log, "out of memory\n");
        return VMK_FAILED;
    }
    written_file out;
    if (file_replace_begin(&out.r, path) == 0) {
        log_file_message(log, path, ": cannot be created (is the folder there and writable?)\n");
        return VMK_FAILED;
    }
    std::vector<uint8_t> hashes;
    const std::vector<uint8_t> header(CHD_HEADER_V5_BYTES);
    const std::vector<uint8_t> metadata = encode_metadata(texts, CHD_HEADER_V5_BYTES, &hashes);
    bool ok = out.write(header.data(), header.size()) && out.write(metadata.data(), metadata.size());
    const uint64_t first_hunk = out.offset;
    std::vector<chd_hunk_entry> map;
    map.reserve(hunks);
    sha1_context data_sha1;
    sha1_init(&data_sha1);
    frame_source from{tracks};
    gauge_set_range(log, hunks);
    auto write_one = [&] {
        const chd_compressed_hunk &c = chd_write_ahead_take(ahead.get());
        map.push_back({c.kind, static_cast<uint32_t>(c.bytes.size()), out.offset, c.crc});
        gauge_step(log, 1);
        return out.write(c.bytes.data(), c.bytes.size());
    };
    bool read_or_stop = false;  // failures with a message of their own
    for (uint32_t h = 0; ok && h < hunks; h++) {
        if (log_stop_point(log)) {
            ok = false;
            read_or_stop = true;
            break;
        }
        if (h >= chd_write_ahead_room(ahead.get()) && !write_one()) {
            ok = false;
            break;
        }
        uint8_t *hunk = chd_write_ahead_next(ahead.get());
        if (!fill_hunk(log, src, &from, h, hunk)) {
            ok = false;
            read_or_stop = true;
            break;
        }
        const uint64_t at = uint64_t{h} * HUNK_BYTES;
        sha1_update(&data_sha1, hunk, static_cast<size_t>(std::min<uint64_t>(HUNK_BYTES, logical_bytes - at)));
        chd_write_ahead_hand_over(ahead.get());
    }
    while (ok && map.size() < hunks) ok = write_one();
    ahead.reset();
    if (!ok) {
        // The record removes its temporary file.
        if (!read_or_stop) log_file_message(log, path, ": write error\n");
        return VMK_FAILED;
    }

    const uint64_t map_offset = out.offset;
    const std::vector<uint8_t> map_bytes = encode_map(map, first_hunk);
    uint8_t h[CHD_HEADER_V5_BYTES] = {};
    memcpy(h, "MComprHD", 8);
    put_be(h + 8, CHD_HEADER_V5_BYTES, 4);
    put_be(h + 12, 5, 4);
    for (int i = 0; i < 4; i++) put_be(h + 16 + 4 * i, codecs[i], 4);
    put_be(h + 32, logical_bytes, 8);
    put_be(h + 40, map_offset, 8);
    put_be(h + 48, CHD_HEADER_V5_BYTES, 8);
    put_be(h + 56, HUNK_BYTES, 4);
    put_be(h + 60, CHD_CD_FRAME_BYTES, 4);
    sha1_final(&data_sha1, h + 64);
    overall_sha1(h + 64, hashes, h + 84);
    ok = out.write(map_bytes.data(), map_bytes.size()) && fseek(out.r.stream, 0, SEEK_SET) == 0 &&
         file_replace_write(&out.r, h, sizeof h) != 0 && file_replace_commit(&out.r) != 0;
    if (!ok) {
        log_file_message(log, path, ": write error\n");
        return VMK_FAILED;
    }
    return VMK_OK;
}
