// CD image descriptions: the .cdm and .ccd files that come with an image set
// (prefix.img, prefix.sub), read into a disc description record, and the
// 12-byte Q frames in which the card keeps a table of contents.
#pragma once

#include <cstddef>
#include <cstdint>

#include "card/cdimage/subchannel_q_crc.h"
#include "core/log.h"

struct disk_handle;

inline constexpr int TOC_ENTRIES_MAX = 102;  // A0, A1, A2 and 99 tracks
inline constexpr int DESCRIPTION_TEXT_MAX = 512;
inline constexpr int TOC_POINT_A0 = 0xA0;
inline constexpr int TOC_POINT_A1 = 0xA1;
inline constexpr int TOC_POINT_A2 = 0xA2;  // lead-out position
inline constexpr int TOC_CONTROL_DATA = 0x04;
inline constexpr int DESCRIPTION_VERSION = 2;
inline constexpr int DESCRIPTION_VERSION_EMPTY = 255;  // HuCard images have no description file

// One entry as kept in memory. Point, A and P are BCD once validated; PLBA is
// the start of the entry in frames from the start of track 1 (P − 00:02:00).
struct toc_entry {
    uint8_t session;
    uint8_t point;
    uint8_t adr;
    uint8_t control;
    uint8_t track_no;
    uint8_t amin, asec, aframe;
    uint8_t pmin, psec, pframe;
    uint8_t zero;
    uint32_t plba;
};

// Converts one 96-byte subchannel block in place (per-channel to the layout
// the card's block expects); null when the block keeps the per-channel layout.
typedef void (*subchannel_transform)(uint8_t block[96]);

// Owned by the caller: from description_read or toc_from_frames, freed with
// description_free.
struct disc_description {
    log_sink *log;
    disk_handle *disk;  // set by the adding command, not owned
    subchannel_transform transform;
    uint8_t version;
    uint8_t tocentries;
    uint8_t sessions;
    toc_entry entries[TOC_ENTRIES_MAX];
    // Labels of section "PCECDROM2", UTF-8, cut on a character boundary.
    char region[DESCRIPTION_TEXT_MAX + 1];
    char format[DESCRIPTION_TEXT_MAX + 1];
    char code[DESCRIPTION_TEXT_MAX + 1];
    char name_ja[DESCRIPTION_TEXT_MAX + 1];
    char name_en[DESCRIPTION_TEXT_MAX + 1];
    char display_name[DESCRIPTION_TEXT_MAX + 1];
};

// cd false (HuCard images): an empty record, no file read. cd true: nullptr
// when the file is missing (silently) or does not describe a usable disc
// (with the reason on stdout or the log, see the .cpp).
disc_description *description_read(log_sink *log, const char *file_name, bool cd);
void description_free(disc_description *d);

// "code name_ja" when all five labels are present, else nullptr (the caller
// keeps its own name). Points into the record.
const char *description_display_name(disc_description *d);

// The CD kind index that the "format" label selects (4 to 7), or 0 when the
// label names no system card.
int description_format_kind(const disc_description *d);
// Replaces the kind value (bits 0..7) of a disc's config word when the
// "format" label names a system card; leaves the word alone otherwise.
void description_apply_format(const disc_description *d, uint32_t *config_word);

// Writes tocentries frames; returns their count, or 0 when there are none or
// they do not fit into capacity bytes.
int toc_to_frames(const disc_description *d, uint8_t *out, size_t capacity);
void toc_entry_to_frame(const toc_entry *e, uint8_t q[Q_FRAME_SIZE]);

// Rebuilds a record from frames kept on the card, reading no further than
// length bytes and stopping at the first unused frame (first byte 0x55).
// frames nullptr: the TOC of a fresh index disc. nullptr when the frames hold
// no entry or more than TOC_ENTRIES_MAX.
disc_description *toc_from_frames(log_sink *log, const uint8_t *frames, size_t length);
