// The hunk codecs of compressed disc images: deflate, LZMA and zstd whole
// hunks, and their CD forms, which split each hunk of 2448-byte frames
// into sector data and subchannel compressed apart, with the sync and
// parity of sectors that carried them correctly left out; and FLAC for
// audio sector data.
#include <FLAC/stream_decoder.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "card/cdimage/chd_codec_settings.h"
#include "card/cdimage/chd_disc.h"
#include "card/cdimage/chd_file.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/sector_ecc.h"
#include "card/cdimage/subchannel_q.h"

namespace {

constexpr uint32_t SECTOR_BYTES = CD_SECTOR_SIZE, SUB_BYTES = SUBCHANNEL_BLOCK_SIZE;
constexpr uint32_t FRAME_BYTES = CHD_CD_FRAME_BYTES;

enum base_kind { BASE_DEFLATE, BASE_LZMA, BASE_ZSTD, BASE_FLAC };

// The decoders of one codec, made at the first hunk and reset for each later
// one: a disc has tens of thousands of hunks, and setting a decoder up (an
// LZMA dictionary, a zstd context) costs more than a hunk's worth of work.
struct decoders {
    decoders() = default;
    decoders(const decoders &) = delete;
    decoders &operator=(const decoders &) = delete;
    ~decoders() {
        if (inflate_ready) inflateEnd(&inflater);
        lzma_end(&lzma);
        ZSTD_freeDCtx(zstd);
        if (flac != nullptr) FLAC__stream_decoder_delete(flac);
    }

    z_stream inflater{};
    bool inflate_ready = false;
    lzma_stream lzma = LZMA_STREAM_INIT;
    ZSTD_DCtx *zstd = nullptr;
    FLAC__StreamDecoder *flac = nullptr;
};

bool inflate_exact(decoders &d, const uint8_t *src, uint32_t length, uint8_t *dest,
                   uint32_t size) {
    z_stream &z = d.inflater;
    if (!d.inflate_ready) {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
        d.inflate_ready = true;
    } else if (inflateReset(&z) != Z_OK) {
        return false;
    }
    z.next_in = const_cast<Bytef *>(src);
    z.avail_in = length;
    z.next_out = dest;
    z.avail_out = size;
    int r = inflate(&z, Z_FINISH);
    return (r == Z_STREAM_END || r == Z_OK || r == Z_BUF_ERROR) && z.total_out == size;
}

// The stream carries no properties (chd_lzma_settings), and it ends where
// the hunk is full.
bool lzma_exact(decoders &d, const uint8_t *src, uint32_t length, uint8_t *dest, uint32_t size) {
    lzma_options_lzma options{};
    chd_lzma_settings(&options, size);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    // On a stream already set up, liblzma keeps what memory it can.
    lzma_stream &z = d.lzma;
    if (lzma_raw_decoder(&z, filters) != LZMA_OK) return false;
    z.next_in = src;
    z.avail_in = length;
    z.next_out = dest;
    z.avail_out = size;
    lzma_ret r = lzma_code(&z, LZMA_RUN);
    return (r == LZMA_OK || r == LZMA_STREAM_END) && z.avail_out == 0;
}

bool zstd_exact(decoders &d, const uint8_t *src, uint32_t length, uint8_t *dest, uint32_t size) {
    if (d.zstd == nullptr && (d.zstd = ZSTD_createDCtx()) == nullptr) return false;
    size_t r = ZSTD_decompressDCtx(d.zstd, dest, size, src, length);
    return !ZSTD_isError(r) && r == size;
}

// FLAC frames without a stream header: one is made up (44.1 kHz, stereo,
// 16 bits, fixed block size) and the frames follow it. Samples come out
// big-endian, as the image keeps CD audio.
struct flac_feed {
    uint8_t header[42];
    const uint8_t *src;
    uint32_t length;
    uint64_t position = 0;  // in header + src
    uint8_t *dest;
    uint32_t samples_wanted, samples_done = 0;
    bool bad = false;
};

FLAC__StreamDecoderReadStatus flac_read(const FLAC__StreamDecoder *, FLAC__byte buffer[],
                                        size_t *bytes, void *data) {
    auto *f = static_cast<flac_feed *>(data);
    const uint64_t total = sizeof f->header + f->length;
    size_t n = static_cast<size_t>(std::min<uint64_t>(*bytes, total - f->position));
    for (size_t k = 0; k < n; k++, f->position++)
        buffer[k] = f->position < sizeof f->header ? f->header[f->position]
                                                    : f->src[f->position - sizeof f->header];
    *bytes = n;
    return n == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                  : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderTellStatus flac_tell(const FLAC__StreamDecoder *, FLAC__uint64 *offset,
                                        void *data) {
    *offset = static_cast<flac_feed *>(data)->position;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderWriteStatus flac_write(const FLAC__StreamDecoder *, const FLAC__Frame *frame,
                                          const FLAC__int32 *const buffer[], void *data) {
    auto *f = static_cast<flac_feed *>(data);
    const uint32_t n = frame->header.blocksize;
    if (frame->header.channels != 2 || n > f->samples_wanted - f->samples_done) {
        f->bad = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    uint8_t *out = f->dest + size_t{f->samples_done} * 4;
    for (uint32_t i = 0; i < n; i++)
        for (int c = 0; c < 2; c++) {
            const auto v = static_cast<uint16_t>(buffer[c][i]);
            *out++ = static_cast<uint8_t>(v >> 8);
            *out++ = static_cast<uint8_t>(v);
        }
    f->samples_done += n;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void flac_error(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus, void *data) {
    static_cast<flac_feed *>(data)->bad = true;
}

// Decodes size bytes of samples; *used receives the compressed bytes the
// frames took.
bool flac_exact(decoders &decoders, const uint8_t *src, uint32_t length, uint8_t *dest,
                uint32_t size, uint32_t *used) {
    flac_feed f{};
    f.src = src;
    f.length = length;
    f.dest = dest;
    f.samples_wanted = size / 4;
    const uint32_t block = chd_flac_block_samples(size);
    static const uint8_t stream_info[42] = {
        'f', 'L', 'a', 'C', 0x80, 0x00, 0x00, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x0A, 0xC4, 0x42, 0xF0, 0, 0, 0, 0};
    memcpy(f.header, stream_info, sizeof f.header);
    f.header[8] = f.header[10] = static_cast<uint8_t>(block >> 8);
    f.header[9] = f.header[11] = static_cast<uint8_t>(block);
    if (decoders.flac == nullptr && (decoders.flac = FLAC__stream_decoder_new()) == nullptr)
        return false;
    FLAC__StreamDecoder *d = decoders.flac;
    bool ok = FLAC__stream_decoder_init_stream(d, flac_read, nullptr, flac_tell, nullptr, nullptr,
                                               flac_write, nullptr, flac_error, &f) ==
              FLAC__STREAM_DECODER_INIT_STATUS_OK;
    ok = ok && FLAC__stream_decoder_process_until_end_of_metadata(d);
    while (ok && !f.bad && f.samples_done < f.samples_wanted)
        ok = FLAC__stream_decoder_process_single(d) &&
             FLAC__stream_decoder_get_state(d) != FLAC__STREAM_DECODER_END_OF_STREAM;
    ok = ok && !f.bad && f.samples_done == f.samples_wanted;
    FLAC__uint64 position = 0;
    ok = ok && FLAC__stream_decoder_get_decode_position(d, &position) &&
         position >= sizeof f.header && position - sizeof f.header <= length;
    if (ok) *used = static_cast<uint32_t>(position - sizeof f.header);
    // Back to the state init_stream needs, for the next hunk.
    FLAC__stream_decoder_finish(d);
    return ok;
}

bool base_run(decoders &d, base_kind kind, const uint8_t *src, uint32_t length, uint8_t *dest,
              uint32_t size) {
    switch (kind) {
        case BASE_DEFLATE:
            return inflate_exact(d, src, length, dest, size);
        case BASE_LZMA:
            return lzma_exact(d, src, length, dest, size);
        case BASE_ZSTD:
            return zstd_exact(d, src, length, dest, size);
        case BASE_FLAC:
            break;
    }
    return false;
}

}  // namespace

struct chd_codec {
    bool cd;  // the CD form: frames of sector data and subchannel
    base_kind data, sub;
    uint32_t hunk_bytes;
    std::vector<uint8_t> parts;  // sector data of every frame, then subchannel
    decoders state;
};

void chd_codec_free(chd_codec *codec) { delete codec; }

chd_codec_ptr chd_codec_make(uint32_t tag, uint32_t hunk_bytes) {
    struct known {
        uint32_t tag;
        bool cd;
        base_kind data, sub;
    };
    static const known codecs[] = {
        {chd_tag('z', 'l', 'i', 'b'), false, BASE_DEFLATE, BASE_DEFLATE},
        {chd_tag('l', 'z', 'm', 'a'), false, BASE_LZMA, BASE_LZMA},
        {chd_tag('z', 's', 't', 'd'), false, BASE_ZSTD, BASE_ZSTD},
        {chd_tag('c', 'd', 'z', 'l'), true, BASE_DEFLATE, BASE_DEFLATE},
        {chd_tag('c', 'd', 'l', 'z'), true, BASE_LZMA, BASE_DEFLATE},
        {chd_tag('c', 'd', 'z', 's'), true, BASE_ZSTD, BASE_ZSTD},
        {chd_tag('c', 'd', 'f', 'l'), true, BASE_FLAC, BASE_DEFLATE},
    };
    for (const known &k : codecs) {
        if (k.tag != tag) continue;
        if (k.cd && hunk_bytes % FRAME_BYTES != 0) return nullptr;
        return chd_codec_ptr(new chd_codec{k.cd, k.data, k.sub, hunk_bytes, {}, {}});
    }
    return nullptr;
}

bool chd_codec_run(chd_codec *c, const uint8_t *src, uint32_t length, uint8_t *dest) {
    if (!c->cd) return base_run(c->state, c->data, src, length, dest, c->hunk_bytes);
    const uint32_t frames = c->hunk_bytes / FRAME_BYTES;
    c->parts.resize(c->hunk_bytes);
    uint8_t *sectors = c->parts.data(), *subs = sectors + size_t{frames} * SECTOR_BYTES;
    const uint32_t sector_size = frames * SECTOR_BYTES, sub_size = frames * SUB_BYTES;
    uint32_t flag_bytes = 0;
    if (c->data == BASE_FLAC) {
        uint32_t used = 0;
        if (!flac_exact(c->state, src, length, sectors, sector_size, &used) ||
            !inflate_exact(c->state, src + used, length - used, subs, sub_size))
            return false;
    } else {
        flag_bytes = (frames + 7) / 8;
        const uint32_t size_bytes = c->hunk_bytes < 65536 ? 2 : 3;
        const uint32_t header = flag_bytes + size_bytes;
        if (length < header) return false;
        uint32_t data_length = 0;
        for (uint32_t k = 0; k < size_bytes; k++) data_length = data_length << 8 | src[flag_bytes + k];
        if (data_length > length - header ||
            !base_run(c->state, c->data, src + header, data_length, sectors, sector_size) ||
            !base_run(c->state, c->sub, src + header + data_length, length - header - data_length,
                      subs, sub_size))
            return false;
    }
    for (uint32_t f = 0; f < frames; f++) {
        uint8_t *frame = dest + size_t{f} * FRAME_BYTES;
        memcpy(frame, sectors + size_t{f} * SECTOR_BYTES, SECTOR_BYTES);
        memcpy(frame + SECTOR_BYTES, subs + size_t{f} * SUB_BYTES, SUB_BYTES);
        if (flag_bytes != 0 && (src[f / 8] >> (f % 8) & 1) != 0) sector_sync_and_parity(frame);
    }
    return true;
}
