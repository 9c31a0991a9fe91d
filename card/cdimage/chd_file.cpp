#include "card/cdimage/chd_file.h"

#include <algorithm>
#include <cstring>

#include "card/cdimage/chd_read_ahead.h"
#include "card/cdimage/subchannel_q_crc.h"
#include "core/log_whole.h"
#include "platform/files.h"

namespace {

constexpr uint32_t HUNK_BYTES_MAX = 1 << 20;
constexpr size_t HUNKS_MAX = size_t{1} << 22;  // 12 bytes of map each, far beyond a CD

uint64_t be(const uint8_t *p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; i++) v = v << 8 | p[i];
    return v;
}

// Most significant bit first; reading past the end yields zeros and marks
// the reader overrun.
struct bit_reader {
    const uint8_t *data;
    size_t length;
    size_t offset = 0;
    uint64_t buffer = 0;  // next bits at the top of the low 32
    int bits = 0;
    bit_reader(const uint8_t *d, size_t n) : data(d), length(n) {}
    uint32_t peek(int n) {
        while (bits < n) {
            uint8_t byte = offset < length ? data[offset] : 0;
            offset++;
            buffer |= uint64_t{byte} << (56 - bits);
            bits += 8;
        }
        return n == 0 ? 0 : static_cast<uint32_t>(buffer >> (64 - n));
    }
    void skip(int n) {
        buffer <<= n;
        bits -= n;
    }
    uint32_t read(int n) {
        uint32_t v = peek(n);
        skip(n);
        return v;
    }
    uint64_t read_wide(int n) {
        return n > 24 ? uint64_t{read(n - 24)} << 24 | read(24) : read(n);
    }
    bool overrun() const { return offset - bits / 8 > length; }
};

// The map's type codes, a canonical Huffman code of 16 symbols and up to
// 8 bits whose lengths are stored run-length coded.
struct map_huffman {
    static constexpr int SYMBOLS = CHD_MAP_SYMBOLS, MAX_BITS = CHD_MAP_CODE_BITS_MAX;
    uint8_t length[SYMBOLS] = {};
    uint16_t lookup[1 << MAX_BITS] = {};  // symbol << 4 | bits, 0: unused

    bool import(bit_reader &in) {
        int n = 0;
        while (n < SYMBOLS) {
            uint32_t bits = in.read(4);
            if (bits != 1) {
                length[n++] = static_cast<uint8_t>(bits);
                continue;
            }
            bits = in.read(4);
            if (bits == 1) {
                length[n++] = 1;
                continue;
            }
            uint32_t repeat = in.read(4) + 3;
            if (n + repeat > SYMBOLS) return false;
            while (repeat-- > 0) length[n++] = static_cast<uint8_t>(bits);
        }
        return assign() && !in.overrun();
    }

    // Codes counted from the longest length down, each length's codes in
    // symbol order.
    bool assign() {
        uint32_t start[33] = {};
        for (uint8_t l : length) {
            if (l > MAX_BITS) return false;
            start[l]++;
        }
        uint32_t next = 0;
        for (int l = 32; l > 0; l--) {
            uint32_t following = (next + start[l]) >> 1;
            if (l != 1 && following * 2 != next + start[l]) return false;
            start[l] = next;
            next = following;
        }
        for (int s = 0; s < SYMBOLS; s++) {
            const int l = length[s];
            if (l == 0) continue;
            const uint32_t code = start[l]++;
            const int shift = MAX_BITS - l;
            if ((code + 1) << shift > (1u << MAX_BITS)) return false;
            for (uint32_t k = code << shift; k < (code + 1) << shift; k++)
                lookup[k] = static_cast<uint16_t>(s << 4 | l);
        }
        return true;
    }

    int decode(bit_reader &in) {
        uint16_t e = lookup[in.peek(MAX_BITS)];
        if (e == 0) return -1;
        in.skip(e & 0x0F);
        return e >> 4;
    }
};


bool fail(log_sink *log, const std::string &name, const char *what) {
    log_file_message(log, name.c_str(), what);
    return false;
}

bool read_from(const chd_file &chd, positioned_file *file, uint64_t offset, void *buffer,
               uint64_t bytes) {
    return file != nullptr && offset <= chd.file_bytes && bytes <= chd.file_bytes - offset &&
           positioned_file_read_at(file, offset, buffer, bytes) == 0;
}

bool read_at(chd_file *chd, uint64_t offset, void *buffer, uint64_t bytes) {
    return read_from(*chd, chd->file, offset, buffer, bytes);
}

}  // namespace

void chd_read_ahead_stopper::operator()(chd_read_ahead *r) const { chd_read_ahead_stop(r); }

chd_file::~chd_file() {
    ahead.reset();  // its threads read the map and the name
    if (file != nullptr) positioned_file_close(file);
}

void chd_map_entry_bytes(const chd_hunk_entry &e, uint8_t out[12]) {
    out[0] = e.kind;
    for (int i = 0; i < 3; i++) out[1 + i] = static_cast<uint8_t>(e.length >> (16 - 8 * i));
    for (int i = 0; i < 6; i++) out[4 + i] = static_cast<uint8_t>(e.offset >> (40 - 8 * i));
    out[10] = static_cast<uint8_t>(e.crc >> 8);
    out[11] = static_cast<uint8_t>(e.crc);
}

bool chd_decode_map(chd_file *chd, const uint8_t *bytes, size_t length) {
    if (length < 16) return false;
    const uint64_t hunks64 = (chd->logical_bytes + chd->hunk_bytes - 1) / chd->hunk_bytes;
    if (hunks64 > HUNKS_MAX) return false;
    const size_t hunks = static_cast<size_t>(hunks64);
    const uint64_t packed = be(bytes, 4);
    uint64_t offset = be(bytes + 4, 6);
    const uint16_t map_crc = static_cast<uint16_t>(be(bytes + 10, 2));
    const int length_bits = bytes[12], self_bits = bytes[13], parent_bits = bytes[14];
    if (packed > length - 16 || length_bits > 32 || self_bits > 32 || parent_bits > 48)
        return false;
    bit_reader in(bytes + 16, static_cast<size_t>(packed));
    map_huffman code;
    if (!code.import(in)) return false;
    std::vector<uint8_t> kinds(hunks);
    int last = 0;
    // A run code repeats the previous type for itself and 2 + n more hunks.
    for (size_t h = 0; h < hunks;) {
        int c = code.decode(in);
        uint32_t repeat = 1;
        if (c == CHD_MAP_RLE_SMALL) {
            int n = code.decode(in);
            if (n < 0) return false;
            repeat = 3 + static_cast<uint32_t>(n);
            c = last;
        } else if (c == CHD_MAP_RLE_LARGE) {
            int high = code.decode(in), low = code.decode(in);
            repeat = 3 + 16 + static_cast<uint32_t>(high << 4) + static_cast<uint32_t>(low);
            if (high < 0 || low < 0) return false;
            c = last;
        }
        if (c < 0 || c > CHD_MAP_PARENT_1 || repeat > hunks - h || in.overrun()) return false;
        for (uint32_t k = 0; k < repeat; k++) kinds[h++] = static_cast<uint8_t>(c);
        last = c;
    }
    chd->map.assign(hunks, chd_hunk_entry{});
    std::vector<uint8_t> raw(hunks * 12);
    uint64_t last_self = 0, last_parent = 0;
    const uint64_t units_per_hunk = chd->hunk_bytes / chd->unit_bytes;
    for (size_t h = 0; h < hunks; h++) {
        chd_hunk_entry &e = chd->map[h];
        switch (kinds[h]) {
            case 0:
            case 1:
            case 2:
            case 3:
            case CHD_MAP_NONE:
                e.kind = kinds[h];
                e.length = kinds[h] == CHD_MAP_NONE ? chd->hunk_bytes : in.read(length_bits);
                e.offset = offset;
                offset += e.length;
                e.crc = static_cast<uint16_t>(in.read(16));
                break;
            case CHD_MAP_SELF:
                e.kind = CHD_STORED_SELF;
                e.offset = last_self = in.read_wide(self_bits);
                break;
            case CHD_MAP_PARENT:
                e.kind = CHD_STORED_PARENT;
                e.offset = last_parent = in.read_wide(parent_bits);
                break;
            case CHD_MAP_SELF_1:
                last_self++;
                [[fallthrough]];
            case CHD_MAP_SELF_0:
                e.kind = CHD_STORED_SELF;
                e.offset = last_self;
                break;
            case CHD_MAP_PARENT_SELF:
                e.kind = CHD_STORED_PARENT;
                e.offset = last_parent = h * units_per_hunk;
                break;
            case CHD_MAP_PARENT_1:
                last_parent += units_per_hunk;
                [[fallthrough]];
            case CHD_MAP_PARENT_0:
                e.kind = CHD_STORED_PARENT;
                e.offset = last_parent;
                break;
            default:
                return false;
        }
        chd_map_entry_bytes(e, &raw[h * 12]);
        if (e.kind == CHD_STORED_SELF && e.offset >= h) return false;
    }
    return !in.overrun() && crc16_ccitt(0xFFFF, raw.data(), raw.size()) == map_crc;
}

std::unique_ptr<chd_file> chd_open(log_sink *log, const char *name) {
    auto chd = std::make_unique<chd_file>();
    chd->name = name;
    if (positioned_file_open(name, POSITIONED_READ_ONLY, &chd->file) != 0) {
        chd->file = nullptr;
        fail(log, chd->name, ": not found\n");
        return nullptr;
    }
    uint8_t h[CHD_HEADER_V5_BYTES] = {};
    if (positioned_file_size(chd->file, &chd->file_bytes) != 0 ||
        !read_at(chd.get(), 0, h, 16) || memcmp(h, "MComprHD", 8) != 0) {
        fail(log, chd->name, ": not a CHD file, or truncated\n");
        return nullptr;
    }
    const uint32_t version = static_cast<uint32_t>(be(h + 12, 4));
    if (version != 5) {
        std::string what = ": CHD version " + std::to_string(version) +
                           " is not supported (only version 5; chdman copy converts it)\n";
        fail(log, chd->name, what.c_str());
        return nullptr;
    }
    if (be(h + 8, 4) < CHD_HEADER_V5_BYTES || !read_at(chd.get(), 0, h, CHD_HEADER_V5_BYTES)) {
        fail(log, chd->name, ": truncated CHD header\n");
        return nullptr;
    }
    for (int i = 0; i < 4; i++) chd->codecs[i] = static_cast<uint32_t>(be(h + 16 + 4 * i, 4));
    chd->logical_bytes = be(h + 32, 8);
    chd->map_offset = be(h + 40, 8);
    chd->meta_offset = be(h + 48, 8);
    chd->hunk_bytes = static_cast<uint32_t>(be(h + 56, 4));
    chd->unit_bytes = static_cast<uint32_t>(be(h + 60, 4));
    memcpy(chd->raw_sha1, h + 64, 20);
    static const uint8_t no_parent[20] = {};
    if (memcmp(h + 104, no_parent, 20) != 0) {
        fail(log, chd->name, ": needs its parent CHD, which this version cannot use\n");
        return nullptr;
    }
    if (chd->hunk_bytes == 0 || chd->hunk_bytes > HUNK_BYTES_MAX || chd->unit_bytes == 0 ||
        chd->hunk_bytes % chd->unit_bytes != 0 || chd->logical_bytes == 0) {
        fail(log, chd->name, ": damaged CHD header\n");
        return nullptr;
    }
    for (int i = 0; i < 4; i++) {
        if (chd->codecs[i] == 0) continue;
        chd->decoders[i] = chd_codec_make(chd->codecs[i], chd->hunk_bytes);
        if (chd->decoders[i] == nullptr) {
            const uint32_t t = chd->codecs[i];
            const char tag[5] = {char(t >> 24), char(t >> 16), char(t >> 8), char(t), 0};
            std::string what = std::string(": compression '") + tag + "' is not supported\n";
            fail(log, chd->name, what.c_str());
            return nullptr;
        }
    }
    if (chd->codecs[0] == 0) {
        // Uncompressed: one 4-byte hunk number per hunk.
        const uint64_t hunks = (chd->logical_bytes + chd->hunk_bytes - 1) / chd->hunk_bytes;
        std::vector<uint8_t> raw(hunks <= HUNKS_MAX ? hunks * 4 : 0);
        if (raw.empty() || !read_at(chd.get(), chd->map_offset, raw.data(), raw.size())) {
            fail(log, chd->name, ": damaged or truncated CHD map\n");
            return nullptr;
        }
        chd->map.resize(hunks);
        for (size_t k = 0; k < hunks; k++) {
            uint64_t at = be(&raw[k * 4], 4) * chd->hunk_bytes;
            chd->map[k] = {at == 0 ? CHD_STORED_SELF : CHD_STORED_RAW, chd->hunk_bytes, at, 0};
            if (at == 0) chd->map[k].offset = UINT64_MAX;  // never written: zeros
        }
    } else {
        uint8_t head[16];
        if (!read_at(chd.get(), chd->map_offset, head, 16) ||
            be(head, 4) > chd->file_bytes) {
            fail(log, chd->name, ": damaged or truncated CHD map\n");
            return nullptr;
        }
        std::vector<uint8_t> bytes(16 + be(head, 4));
        if (!read_at(chd.get(), chd->map_offset, bytes.data(), bytes.size()) ||
            !chd_decode_map(chd.get(), bytes.data(), bytes.size())) {
            fail(log, chd->name, ": damaged or truncated CHD map\n");
            return nullptr;
        }
    }
    chd->compressed.resize(chd->hunk_bytes);
    chd->cached.resize(chd->hunk_bytes);
    return chd;
}

bool chd_metadata(log_sink *log, chd_file *chd, uint32_t tag, std::vector<std::string> *out) {
    uint64_t at = chd->meta_offset;
    for (int guard = 0; at != 0; guard++) {
        uint8_t h[16];
        if (guard > 10000 || !read_at(chd, at, h, 16))
            return fail(log, chd->name, ": damaged CHD metadata\n");
        const uint32_t length = static_cast<uint32_t>(be(h + 5, 3));
        if (be(h, 4) == tag) {
            std::string text(length, '\0');
            if (!read_at(chd, at + 16, text.data(), length))
                return fail(log, chd->name, ": damaged CHD metadata\n");
            out->push_back(text.c_str());  // up to the terminating zero
        }
        at = be(h + 8, 8);
    }
    return true;
}

namespace {

const uint8_t *decompressed_hunk(log_sink *log, chd_file *chd, uint32_t hunk) {
    if (hunk == chd->cached_hunk) return chd->cached.data();
    chd->cached_hunk = UINT32_MAX;
    std::string damage;
    bool ok;
    if (chd->ahead != nullptr && chd_read_ahead_serves(chd->ahead.get(), hunk)) {
        ok = chd_read_ahead_take(chd->ahead.get(), hunk, chd->cached.data(), &damage);
    } else {
        chd_hunk_decoder d{chd->file, {}, chd->compressed.data()};
        for (int i = 0; i < 4; i++) d.codecs[i] = chd->decoders[i].get();
        ok = chd_decode_hunk(*chd, d, hunk, chd->cached.data(), &damage);
    }
    if (!ok) {
        log_file_message(log, chd->name.c_str(), ": ");
        log_write(log, (damage + "\n").c_str());
        return nullptr;
    }
    chd->cached_hunk = hunk;
    return chd->cached.data();
}

// Hashes hunk when it is the next one in order; the last hunk counts only
// up to the data's end.
void hash_in_order(chd_file *chd, uint32_t hunk, const uint8_t *data) {
    if (!chd->checking || hunk != chd->hashed_hunks) return;
    const uint64_t at = uint64_t{hunk} * chd->hunk_bytes;
    sha1_update(&chd->data_sha1, data,
                static_cast<size_t>(std::min<uint64_t>(chd->hunk_bytes, chd->logical_bytes - at)));
    chd->hashed_hunks++;
}

// Hashes the hunks before `end` that the read has not reached.
bool hash_up_to(log_sink *log, chd_file *chd, uint32_t end) {
    while (chd->hashed_hunks < end) {
        const uint32_t hunk = chd->hashed_hunks;
        const uint8_t *data = decompressed_hunk(log, chd, hunk);
        if (data == nullptr) return false;
        hash_in_order(chd, hunk, data);
    }
    return true;
}

}  // namespace

bool chd_decode_hunk(const chd_file &chd, const chd_hunk_decoder &d, uint32_t hunk, uint8_t *out,
                     std::string *damage) {
    for (int depth = 0; hunk < chd.map.size(); depth++) {
        const chd_hunk_entry &e = chd.map[hunk];
        if (e.kind == CHD_STORED_SELF && e.offset == UINT64_MAX) {
            memset(out, 0, chd.hunk_bytes);
        } else if (e.kind == CHD_STORED_SELF) {
            if (depth > 0 || e.offset >= chd.map.size()) break;
            hunk = static_cast<uint32_t>(e.offset);
            continue;
        } else if (e.kind == CHD_STORED_PARENT) {
            break;
        } else if (e.kind == CHD_STORED_RAW) {
            if (!read_from(chd, d.file, e.offset, out, chd.hunk_bytes)) break;
        } else {
            chd_codec *codec = d.codecs[e.kind];
            if (codec == nullptr || e.length > chd.hunk_bytes ||
                !read_from(chd, d.file, e.offset, d.compressed, e.length) ||
                !chd_codec_run(codec, d.compressed, e.length, out))
                break;
        }
        if (chd.codecs[0] != 0 && crc16_ccitt(0xFFFF, out, chd.hunk_bytes) != e.crc) {
            *damage = "hunk " + std::to_string(hunk) + " fails its CRC check";
            return false;
        }
        return true;
    }
    *damage = "hunk " + std::to_string(hunk) + " is damaged or truncated";
    return false;
}

const uint8_t *chd_hunk(log_sink *log, chd_file *chd, uint32_t hunk) {
    if (chd->checking && hunk < chd->map.size() && !hash_up_to(log, chd, hunk)) return nullptr;
    const uint8_t *data = decompressed_hunk(log, chd, hunk);
    if (data != nullptr) hash_in_order(chd, hunk, data);
    return data;
}

void chd_check_begin(chd_file *chd) {
    chd->checking = !chd->checked;
    chd->hashed_hunks = 0;
    sha1_init(&chd->data_sha1);
    chd->ahead.reset(chd_read_ahead_start(chd, 0, chd->read_ahead_threads));
}

bool chd_check_end(log_sink *log, chd_file *chd) {
    if (!chd->checking) {
        chd->ahead.reset();
        return true;
    }
    const bool read = hash_up_to(log, chd, static_cast<uint32_t>(chd->map.size()));
    chd->checking = false;
    chd->ahead.reset();
    if (!read) return false;
    uint8_t digest[20];
    sha1_final(&chd->data_sha1, digest);
    static const uint8_t none[20] = {};
    chd->checked = memcmp(chd->raw_sha1, none, 20) == 0 || memcmp(digest, chd->raw_sha1, 20) == 0;
    if (chd->checked) return true;
    log_file_message(log, chd->name.c_str(),
                     ": the data does not match the SHA-1 the file gives for it (damaged CHD)\n");
    return false;
}
