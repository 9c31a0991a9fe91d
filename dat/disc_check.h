// A disc's track files, as hashed, matched against the CD entries of a DAT:
// each track's result and one for the whole disc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dat/dat_file.h"

struct disc_track_sum {
    uint8_t number;
    bool audio;
    uint64_t size;
    uint32_t crc;
    uint8_t sha1[20];
};

enum track_verdict { TRACK_MATCH, TRACK_MISMATCH, TRACK_NO_ENTRY };
enum disc_verdict { DISC_VERIFIED, DISC_PARTLY, DISC_UNKNOWN };

struct track_result {
    track_verdict verdict;
    // MATCH: the entry it equals; MISMATCH: the game's entry in the track's
    // place, what the DAT says instead; NO_ENTRY: nullptr.
    const dat_rom *entry;
};

struct disc_result {
    disc_verdict verdict;
    const dat_game *game;  // the game most tracks match; nullptr when none does
    std::vector<track_result> tracks;
    std::vector<const dat_rom *> missing;  // the game's entries no track equals
    // Every data track matches and every audio track differs: most likely
    // the audio was ripped with another drive read offset.
    bool audio_offset;
};

// A track equals an entry when size and CRC-32 agree and, where the DAT
// gives one, the SHA-1. The game is the one with the most equal tracks
// (the first in the DAT on a tie).
disc_result dat_check_disc(const dat_catalog &c, const std::vector<disc_track_sum> &tracks);

// "verified", "partly" or "unknown".
const char *disc_verdict_name(disc_verdict v);
// "match", "mismatch" or "no entry".
const char *track_verdict_name(track_verdict v);

// The lines the command prints for one track and for the disc, without the
// line end:
//   "track 02: match"
//   "track 02: mismatch: CRC32:1234abcd, 940800 bytes; the DAT has CRC32:..., ... bytes"
//   "track 02: no entry (CRC32:1234abcd, 940800 bytes)"
//   "disc: verified", "disc: partly (tracks 01, 03 match; 02 differs; 1 DAT track missing)",
//   "disc: unknown"
std::string track_result_text(const disc_track_sum &t, const track_result &r);
std::string disc_result_text(const std::vector<disc_track_sum> &tracks, const disc_result &r);
