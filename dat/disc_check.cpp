#include "dat/disc_check.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

bool equals(const dat_rom &r, const disc_track_sum &t) {
    return r.size == t.size && r.crc == t.crc &&
           (!r.has_sha1 || memcmp(r.sha1, t.sha1, sizeof r.sha1) == 0);
}

// The track entry of game equal to t that no earlier track took.
const dat_rom *entry_in_game(const dat_catalog &c, uint32_t game, const disc_track_sum &t,
                             const std::vector<bool> &taken) {
    for (const dat_rom *r : dat_lookup(c, t.size, t.crc))
        if (r->game == game && dat_name_is_track(r->name) && equals(*r, t) &&
            !taken[static_cast<size_t>(r - c.roms.data())])
            return r;
    return nullptr;
}

std::string sum_text(uint32_t crc, uint64_t size) {
    char text[64];
    snprintf(text, sizeof text, "CRC32:%08X, %" PRIu64 " bytes", crc, size);
    return text;
}

std::string track_list(const std::vector<disc_track_sum> &tracks, const disc_result &r,
                       track_verdict wanted) {
    std::string list;
    for (size_t k = 0; k < tracks.size(); k++) {
        if (r.tracks[k].verdict != wanted) continue;
        char number[8];
        snprintf(number, sizeof number, "%s%02u", list.empty() ? "" : ", ", tracks[k].number);
        list += number;
    }
    return list;
}

}  // namespace

disc_result dat_check_disc(const dat_catalog &c, const std::vector<disc_track_sum> &tracks) {
    disc_result r{DISC_UNKNOWN, nullptr, {}, {}, false};
    // Votes per game, counting each track once per game.
    std::vector<uint32_t> votes(c.games.size(), 0);
    for (const disc_track_sum &t : tracks) {
        uint32_t last = UINT32_MAX;
        for (const dat_rom *e : dat_lookup(c, t.size, t.crc))
            if (dat_name_is_track(e->name) && equals(*e, t) && e->game != last) {
                votes[e->game]++;
                last = e->game;
            }
    }
    uint32_t best = UINT32_MAX;
    for (uint32_t g = 0; g < votes.size(); g++)
        if (votes[g] > 0 && (best == UINT32_MAX || votes[g] > votes[best])) best = g;
    std::vector<bool> taken(c.roms.size(), false);
    size_t matched = 0, data = 0, data_matched = 0, audio = 0, audio_matched = 0;
    for (size_t k = 0; k < tracks.size(); k++) {
        const disc_track_sum &t = tracks[k];
        track_result tr{TRACK_NO_ENTRY, nullptr};
        if (best != UINT32_MAX) {
            const dat_game &g = c.games[best];
            if ((tr.entry = entry_in_game(c, best, t, taken)) != nullptr) {
                tr.verdict = TRACK_MATCH;
                taken[static_cast<size_t>(tr.entry - c.roms.data())] = true;
                matched++;
            } else if (k < g.tracks.size()) {
                tr = {TRACK_MISMATCH, &c.roms[g.tracks[k]]};
            }
        }
        (t.audio ? audio : data)++;
        if (tr.verdict == TRACK_MATCH) (t.audio ? audio_matched : data_matched)++;
        r.tracks.push_back(tr);
    }
    if (best == UINT32_MAX) return r;
    r.game = &c.games[best];
    for (uint32_t i : r.game->tracks)
        if (!taken[i]) r.missing.push_back(&c.roms[i]);
    r.verdict = matched == tracks.size() && r.missing.empty() ? DISC_VERIFIED : DISC_PARTLY;
    r.audio_offset = data > 0 && data_matched == data && audio > 0 && audio_matched == 0;
    return r;
}

const char *disc_verdict_name(disc_verdict v) {
    return v == DISC_VERIFIED ? "verified" : v == DISC_PARTLY ? "partly" : "unknown";
}

const char *track_verdict_name(track_verdict v) {
    return v == TRACK_MATCH ? "match" : v == TRACK_MISMATCH ? "mismatch" : "no entry";
}

std::string track_result_text(const disc_track_sum &t, const track_result &r) {
    char head[16];
    snprintf(head, sizeof head, "track %02u: ", t.number);
    switch (r.verdict) {
        case TRACK_MATCH:
            return std::string(head) + "match";
        case TRACK_MISMATCH:
            return std::string(head) + "mismatch: " + sum_text(t.crc, t.size) + "; the DAT has " +
                   sum_text(r.entry->crc, r.entry->size) +
                   (r.entry->size == t.size && r.entry->crc == t.crc ? " and another SHA-1" : "") +
                   " (" + r.entry->name + ")";
        case TRACK_NO_ENTRY:
            break;
    }
    return std::string(head) + "no entry (" + sum_text(t.crc, t.size) + ")";
}

std::string disc_result_text(const std::vector<disc_track_sum> &tracks, const disc_result &r) {
    if (r.verdict != DISC_PARTLY) return std::string("disc: ") + disc_verdict_name(r.verdict);
    std::string text = "disc: partly (";
    const std::string match = track_list(tracks, r, TRACK_MATCH);
    const std::string differ = track_list(tracks, r, TRACK_MISMATCH);
    const std::string none = track_list(tracks, r, TRACK_NO_ENTRY);
    text += (match.find(',') != std::string::npos ? "tracks " : "track ") + match + " match";
    if (!differ.empty()) text += "; " + differ + " differ";
    if (!none.empty()) text += "; " + none + " not in the game";
    if (!r.missing.empty())
        text += "; " + std::to_string(r.missing.size()) + " DAT track" +
                (r.missing.size() > 1 ? "s" : "") + " missing";
    text += ")";
    if (r.audio_offset)
        text += "; the data tracks match and every audio track differs: the audio was probably "
                "ripped with another drive offset";
    return text;
}
