#include "card/cdimage/chd_write_codecs.h"

#include <FLAC/stream_encoder.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <cstring>

#include "card/cdimage/chd_codec_settings.h"
#include "card/cdimage/chd_disc.h"
#include "card/cdimage/chd_file.h"
#include "card/cdimage/sector_ecc.h"
#include "card/cdimage/subchannel_q_crc.h"

namespace {

constexpr uint32_t SECTOR_BYTES = CD_SECTOR_SIZE, SUB_BYTES = SUBCHANNEL_BLOCK_SIZE;
constexpr uint32_t FRAME_BYTES = CHD_CD_FRAME_BYTES;
// What a sector whose sync and parity the reader regenerates keeps of them.
constexpr uint32_t SYNC_BYTES = sizeof SECTOR_SYNC, PARITY_AT = 2076;
constexpr int DEFLATE_LEVEL = 9, LZMA_PRESET = 8, ZSTD_LEVEL = 12, FLAC_LEVEL = 8;

enum base_kind { BASE_DEFLATE, BASE_LZMA, BASE_ZSTD, BASE_FLAC };

struct cd_codec {
    uint32_t tag;
    base_kind data, sub;
};
constexpr cd_codec CD_CODECS[] = {
    {chd_tag('c', 'd', 'z', 'l'), BASE_DEFLATE, BASE_DEFLATE},
    {chd_tag('c', 'd', 'l', 'z'), BASE_LZMA, BASE_DEFLATE},
    {chd_tag('c', 'd', 'z', 's'), BASE_ZSTD, BASE_ZSTD},
    {chd_tag('c', 'd', 'f', 'l'), BASE_FLAC, BASE_DEFLATE},
};

// FLAC frames as they come out, without the stream's header and metadata,
// which the reader makes up.
FLAC__StreamEncoderWriteStatus flac_written(const FLAC__StreamEncoder *, const FLAC__byte buffer[],
                                            size_t bytes, uint32_t samples, uint32_t,
                                            void *data) {
    if (samples != 0) {
        auto *out = static_cast<std::vector<uint8_t> *>(data);
        out->insert(out->end(), buffer, buffer + bytes);
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

}  // namespace

struct chd_hunk_compressor {
    uint32_t hunk_bytes = 0, frames = 0;
    const cd_codec *codecs[4] = {};
    // Encoders made at the first hunk that needs them and reset for each
    // later one, as setting one up costs more than a hunk's worth of work.
    z_stream deflater{};
    bool deflate_ready = false;
    lzma_stream lzma = LZMA_STREAM_INIT;
    ZSTD_CCtx *zstd = nullptr;
    FLAC__StreamEncoder *flac = nullptr;
    std::vector<uint8_t> sectors, subs, stripped, flags, candidate;
    std::vector<FLAC__int32> samples;

    ~chd_hunk_compressor() {
        if (deflate_ready) deflateEnd(&deflater);
        lzma_end(&lzma);
        ZSTD_freeCCtx(zstd);
        if (flac != nullptr) FLAC__stream_encoder_delete(flac);
    }
};

namespace {

// Each appends size bytes of src compressed to out; false when the
// compressor fails or the result would not be smaller than the hunk.
bool deflate_append(chd_hunk_compressor *c, const uint8_t *src, uint32_t size,
                    std::vector<uint8_t> *out) {
    z_stream &z = c->deflater;
    if (!c->deflate_ready) {
        if (deflateInit2(&z, DEFLATE_LEVEL, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        c->deflate_ready = true;
    } else if (deflateReset(&z) != Z_OK) {
        return false;
    }
    const size_t at = out->size();
    out->resize(at + c->hunk_bytes);
    z.next_in = const_cast<Bytef *>(src);
    z.avail_in = size;
    z.next_out = out->data() + at;
    z.avail_out = c->hunk_bytes;
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
    out->resize(at + z.total_out);
    return true;
}

bool lzma_append(chd_hunk_compressor *c, const uint8_t *src, uint32_t size,
                 std::vector<uint8_t> *out) {
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, LZMA_PRESET)) return false;
    chd_lzma_settings(&options, size);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream &z = c->lzma;
    if (lzma_raw_encoder(&z, filters) != LZMA_OK) return false;
    const size_t at = out->size();
    out->resize(at + c->hunk_bytes);
    z.next_in = src;
    z.avail_in = size;
    z.next_out = out->data() + at;
    z.avail_out = c->hunk_bytes;
    lzma_ret r;
    do r = lzma_code(&z, LZMA_FINISH);
    while (r == LZMA_OK && z.avail_out > 0);
    if (r != LZMA_STREAM_END) return false;
    out->resize(at + c->hunk_bytes - z.avail_out);
    return true;
}

bool zstd_append(chd_hunk_compressor *c, const uint8_t *src, uint32_t size,
                 std::vector<uint8_t> *out) {
    if (c->zstd == nullptr && (c->zstd = ZSTD_createCCtx()) == nullptr) return false;
    const size_t at = out->size();
    out->resize(at + c->hunk_bytes);
    const size_t n = ZSTD_compressCCtx(c->zstd, out->data() + at, c->hunk_bytes, src, size, ZSTD_LEVEL);
    if (ZSTD_isError(n)) return false;
    out->resize(at + n);
    return true;
}

// 16-bit stereo samples, big-endian as the image keeps CD audio.
bool flac_append(chd_hunk_compressor *c, const uint8_t *src, uint32_t size,
                 std::vector<uint8_t> *out) {
    if (c->flac == nullptr && (c->flac = FLAC__stream_encoder_new()) == nullptr) return false;
    FLAC__StreamEncoder *e = c->flac;
    // Settings go back to their defaults when an encoder finishes.
    bool ok = FLAC__stream_encoder_set_channels(e, 2) &&
              FLAC__stream_encoder_set_bits_per_sample(e, 16) &&
              FLAC__stream_encoder_set_sample_rate(e, 44100) &&
              FLAC__stream_encoder_set_compression_level(e, FLAC_LEVEL) &&
              FLAC__stream_encoder_set_blocksize(e, chd_flac_block_samples(size)) &&
              FLAC__stream_encoder_init_stream(e, flac_written, nullptr, nullptr, nullptr, out) ==
                  FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    if (!ok) return false;
    const uint32_t frames = size / 4;
    c->samples.resize(size_t{frames} * 2);
    for (size_t k = 0; k < c->samples.size(); k++)
        c->samples[k] = static_cast<int16_t>(src[2 * k] << 8 | src[2 * k + 1]);
    ok = FLAC__stream_encoder_process_interleaved(e, c->samples.data(), frames);
    return FLAC__stream_encoder_finish(e) && ok;
}

bool base_append(chd_hunk_compressor *c, base_kind kind, const uint8_t *src, uint32_t size,
                 std::vector<uint8_t> *out) {
    switch (kind) {
        case BASE_DEFLATE:
            return deflate_append(c, src, size, out);
        case BASE_LZMA:
            return lzma_append(c, src, size, out);
        case BASE_ZSTD:
            return zstd_append(c, src, size, out);
        case BASE_FLAC:
            return flac_append(c, src, size, out);
    }
    return false;
}

// Splits the hunk into sector data and subchannel; `stripped` is the sector
// data with the sync and parity of sectors that carry them correctly
// zeroed, flagged in `flags` for the reader to regenerate.
void split(chd_hunk_compressor *c, const uint8_t *hunk) {
    std::fill(c->flags.begin(), c->flags.end(), 0);
    for (uint32_t f = 0; f < c->frames; f++) {
        const uint8_t *frame = hunk + size_t{f} * FRAME_BYTES;
        uint8_t *sector = &c->sectors[size_t{f} * SECTOR_BYTES];
        uint8_t *stripped = &c->stripped[size_t{f} * SECTOR_BYTES];
        memcpy(sector, frame, SECTOR_BYTES);
        memcpy(&c->subs[size_t{f} * SUB_BYTES], frame + SECTOR_BYTES, SUB_BYTES);
        memcpy(stripped, frame, SECTOR_BYTES);
        if (memcmp(frame, SECTOR_SYNC, SYNC_BYTES) != 0) continue;
        sector_sync_and_parity(stripped);
        if (memcmp(stripped, frame, SECTOR_BYTES) != 0) {
            memcpy(stripped, frame, SECTOR_BYTES);
            continue;
        }
        memset(stripped, 0, SYNC_BYTES);
        memset(stripped + PARITY_AT, 0, SECTOR_BYTES - PARITY_AT);
        c->flags[f / 8] |= static_cast<uint8_t>(1u << (f % 8));
    }
}

// The hunk in one codec's form into c->candidate; false when it fails or
// is no smaller than the hunk.
bool encode(chd_hunk_compressor *c, const cd_codec &codec) {
    std::vector<uint8_t> &out = c->candidate;
    out.clear();
    const uint32_t sector_size = c->frames * SECTOR_BYTES, sub_size = c->frames * SUB_BYTES;
    if (codec.data == BASE_FLAC) {
        if (!flac_append(c, c->sectors.data(), sector_size, &out)) return false;
    } else {
        out.assign(c->flags.begin(), c->flags.end());
        const uint32_t size_bytes = c->hunk_bytes < 65536 ? 2 : 3;
        const size_t length_at = out.size();
        out.resize(length_at + size_bytes);
        if (!base_append(c, codec.data, c->stripped.data(), sector_size, &out)) return false;
        const size_t data_length = out.size() - length_at - size_bytes;
        for (uint32_t k = 0; k < size_bytes; k++)
            out[length_at + k] = static_cast<uint8_t>(data_length >> (8 * (size_bytes - 1 - k)));
    }
    return out.size() < c->hunk_bytes && base_append(c, codec.sub, c->subs.data(), sub_size, &out) &&
           out.size() < c->hunk_bytes;
}

}  // namespace

void chd_compressor_free(chd_hunk_compressor *c) { delete c; }

chd_compressor_ptr chd_compressor_make(const uint32_t codecs[4], uint32_t hunk_bytes) {
    if (hunk_bytes == 0 || hunk_bytes % FRAME_BYTES != 0) return nullptr;
    chd_compressor_ptr c(new chd_hunk_compressor);
    for (int i = 0; i < 4; i++) {
        if (codecs[i] == 0) continue;
        for (const cd_codec &k : CD_CODECS)
            if (k.tag == codecs[i]) c->codecs[i] = &k;
        if (c->codecs[i] == nullptr) return nullptr;
    }
    c->hunk_bytes = hunk_bytes;
    c->frames = hunk_bytes / FRAME_BYTES;
    c->sectors.resize(size_t{c->frames} * SECTOR_BYTES);
    c->stripped.resize(c->sectors.size());
    c->subs.resize(size_t{c->frames} * SUB_BYTES);
    c->flags.resize((c->frames + 7) / 8);
    return c;
}

void chd_compress_hunk(chd_hunk_compressor *c, const uint8_t *hunk, chd_compressed_hunk *out) {
    out->crc = crc16_ccitt(0xFFFF, hunk, c->hunk_bytes);
    out->kind = CHD_STORED_RAW;
    out->bytes.assign(hunk, hunk + c->hunk_bytes);
    split(c, hunk);
    for (uint8_t i = 0; i < 4; i++) {
        if (c->codecs[i] == nullptr || !encode(c, *c->codecs[i]) ||
            c->candidate.size() >= out->bytes.size())
            continue;
        out->kind = i;
        out->bytes.swap(c->candidate);
    }
}
