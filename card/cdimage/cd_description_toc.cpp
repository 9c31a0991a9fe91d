// Table-of-contents entries as Q frames, and what the labels of a
// description mean for the disc's entry on the card.
#include <cstdio>
#include <cstring>
#include <string>

#include "card/cdimage/bcd.h"
#include "card/cdimage/cd_description.h"
#include "core/text_copy.h"

const char *description_display_name(disc_description *d) {
    if (!d->region[0] || !d->format[0] || !d->code[0] || !d->name_ja[0] || !d->name_en[0])
        return nullptr;
    std::string name = std::string(d->code) + " " + d->name_ja;
    text_copy_utf8(d->display_name, sizeof d->display_name, name.c_str());
    return d->display_name;
}

int description_format_kind(const disc_description *d) {
    static const struct {
        const char *format;
        int kind;
    } system_cards[] = {{"CD", 4},      {"CD,SCD", 4}, {"SCD", 5},
                        {"ACD,SCD", 5}, {"ACD", 6},    {"GECD", 7}};
    for (const auto &card : system_cards)
        if (strcmp(d->format, card.format) == 0) return card.kind;
    return 0;
}

void description_apply_format(const disc_description *d, uint32_t *config_word) {
    // CD kind indices 4 to 7 ("CD-ROM2 Disc" to "ETC Disc") have the kind
    // values 0x13 to 0x16.
    int kind = description_format_kind(d);
    if (kind == 0) return;
    *config_word = (*config_word & ~uint32_t{0xFF}) | uint32_t(0x0F + kind);
}

void toc_entry_to_frame(const toc_entry *e, uint8_t q[Q_FRAME_SIZE]) {
    q[0] = static_cast<uint8_t>((e->control << 4) | (e->adr & 0x0F));
    q[1] = e->track_no;
    q[2] = e->point;
    q[3] = e->amin;
    q[4] = e->asec;
    q[5] = e->aframe;
    q[6] = e->zero;
    q[7] = e->pmin;
    q[8] = e->psec;
    q[9] = e->pframe;
    q_crc_store(q);
}

int toc_to_frames(const disc_description *d, uint8_t *out, size_t capacity) {
    if (size_t{d->tocentries} * Q_FRAME_SIZE > capacity) return 0;
    for (int i = 0; i < d->tocentries; i++)
        toc_entry_to_frame(&d->entries[i], out + i * Q_FRAME_SIZE);
    return d->tocentries;
}

namespace {

constexpr int UNUSED_FRAME_BYTE = 0x55;

// A0 and A1 at 01:00:00, lead-out at 00:07:00, and track 1 (audio) at
// 00:02:00: the TOC of an index disc before any track is added.
const uint8_t fresh_index_toc[4][Q_FRAME_SIZE] = {
    {0x41, 0x00, 0xA0, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0, 0},
    {0x41, 0x00, 0xA1, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0, 0},
    {0x41, 0x00, 0xA2, 0, 0, 0, 0, 0x00, 0x07, 0x00, 0, 0},
    {0x01, 0x00, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0, 0},
};

void entry_from_frame(const uint8_t q[Q_FRAME_SIZE], toc_entry *e) {
    e->session = 1;
    e->adr = 1;
    e->control = q[0] >> 4;
    e->track_no = q[1];
    e->point = q[2];
    e->amin = q[3];
    e->asec = q[4];
    e->aframe = q[5];
    e->zero = q[6];
    e->pmin = q[7];
    e->psec = q[8];
    e->pframe = q[9];
    uint32_t p = msf_to_frames(&q[7]);
    // A damaged frame may name a position inside the pregap; clamp rather
    // than wrap around.
    e->plba = e->point < TOC_POINT_A0 && p >= CD_PREGAP_FRAMES ? p - CD_PREGAP_FRAMES : 0;
}

}  // namespace

disc_description *toc_from_frames(log_sink *log, const uint8_t *frames, size_t length) {
    if (frames == nullptr) {
        uint8_t fresh[4][Q_FRAME_SIZE];
        memcpy(fresh, fresh_index_toc, sizeof fresh);
        for (auto &q : fresh) q_crc_store(q);
        return toc_from_frames(log, &fresh[0][0], sizeof fresh);
    }
    size_t count = 0;
    while ((count + 1) * Q_FRAME_SIZE <= length &&
           frames[count * Q_FRAME_SIZE] != UNUSED_FRAME_BYTE && count <= TOC_ENTRIES_MAX)
        count++;
    if (count < 1 || count > TOC_ENTRIES_MAX) {
        log_printf(log, "toc error: expected 1 to %d frames, found %zu%s\n", TOC_ENTRIES_MAX, count,
                   count > TOC_ENTRIES_MAX ? " or more" : "");
        return nullptr;
    }
    disc_description *d = new disc_description{};
    d->log = log;
    d->version = DESCRIPTION_VERSION;
    d->sessions = 1;
    d->tocentries = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; i++) {
        const uint8_t *q = frames + i * Q_FRAME_SIZE;
        if (!q_crc_ok(q)) log_line(log, "toc crc error");
        entry_from_frame(q, &d->entries[i]);
    }
    return d;
}
