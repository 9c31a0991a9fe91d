#include "card/cdimage/rom_patch.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "card/cdimage/image_input.h"
#include "core/file_util.h"
#include "core/log_whole.h"

namespace {

constexpr size_t PATCH_FILE_MAX = 16u << 20;  // far beyond any patch of a 1 MiB ROM

bool starts_with(const uint8_t *p, size_t n, const char *magic) {
    size_t m = strlen(magic);
    return n >= m && memcmp(p, magic, m) == 0;
}

uint32_t read_le32(const uint8_t *p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool fail(std::string *why, const char *text) {
    *why = text;
    return false;
}

bool apply_ips(const uint8_t *p, size_t n, std::vector<uint8_t> *rom, std::string *why) {
    std::vector<uint8_t> out = *rom;
    size_t at = 5;
    for (;;) {
        if (n - at < 3) return fail(why, "IPS patch is truncated (no EOF mark)");
        const uint32_t offset = uint32_t{p[at]} << 16 | uint32_t{p[at + 1]} << 8 | p[at + 2];
        if (memcmp(p + at, "EOF", 3) == 0) {
            at += 3;
            break;
        }
        if (n - at < 5) return fail(why, "IPS patch is truncated inside a record");
        size_t size = size_t{p[at + 3]} << 8 | p[at + 4];
        at += 5;
        const bool run = size == 0;
        if (run) {
            if (n - at < 3) return fail(why, "IPS patch is truncated inside a record");
            size = size_t{p[at]} << 8 | p[at + 1];
        } else if (n - at < size) {
            return fail(why, "IPS patch is truncated inside a record");
        }
        if (offset + size > ROM_SIZE_MAX)
            return fail(why, "IPS record reaches past the largest ROM the card stores");
        if (out.size() < offset + size) out.resize(offset + size, 0);
        if (run) {
            memset(out.data() + offset, p[at + 2], size);
            at += 3;
        } else {
            memcpy(out.data() + offset, p + at, size);
            at += size;
        }
    }
    // A common extension: three more bytes giving the result's length.
    if (n - at == 3) {
        const size_t length = size_t{p[at]} << 16 | size_t{p[at + 1]} << 8 | p[at + 2];
        if (length > ROM_SIZE_MAX) return fail(why, "IPS patch sets a length past the largest ROM");
        out.resize(length, 0);
    } else if (n != at) {
        return fail(why, "IPS patch has stray bytes after its EOF mark");
    }
    *rom = std::move(out);
    return true;
}

struct bps_reader {
    const uint8_t *p;
    size_t end;  // the actions stop before the three CRC-32s
    size_t at;
    bool number(uint64_t *value) {
        uint64_t data = 0, shift = 1;
        for (int i = 0; i < 10; i++) {
            if (at >= end) return false;
            const uint8_t x = p[at++];
            data += (x & 0x7F) * shift;
            if (x & 0x80) {
                *value = data;
                return true;
            }
            shift <<= 7;
            data += shift;
        }
        return false;
    }
};

bool bps_header(const uint8_t *p, size_t n, bps_reader *r, patch_ends *e, std::string *why) {
    if (n < 4 + 3 + 12) return fail(why, "BPS patch is truncated");
    if (rom_crc32(p, n - 4) != read_le32(p + n - 4))
        return fail(why, "BPS patch fails its own CRC-32 (damaged or truncated)");
    *r = bps_reader{p, n - 12, 4};
    uint64_t metadata = 0;
    if (!r->number(&e->source_size) || !r->number(&e->target_size) || !r->number(&metadata) ||
        metadata > r->end - r->at)
        return fail(why, "BPS patch header is damaged");
    r->at += static_cast<size_t>(metadata);
    e->source_crc = read_le32(p + n - 12);
    e->target_crc = read_le32(p + n - 8);
    return true;
}

bool apply_bps(const uint8_t *p, size_t n, std::vector<uint8_t> *rom, std::string *why) {
    bps_reader r{};
    patch_ends e{};
    if (!bps_header(p, n, &r, &e, why)) return false;
    if (e.source_size != rom->size() || e.source_crc != rom_crc32(rom->data(), rom->size()))
        return fail(why, "BPS patch was made for another ROM (source size or CRC-32 differs)");
    if (e.target_size > ROM_SIZE_MAX)
        return fail(why, "BPS patch makes a ROM larger than the card stores");
    const std::vector<uint8_t> &source = *rom;
    std::vector<uint8_t> target(static_cast<size_t>(e.target_size));
    uint64_t out = 0, source_at = 0, target_at = 0;
    const char *damaged = "BPS patch action reaches outside the ROMs";
    while (r.at < r.end) {
        uint64_t data = 0;
        if (!r.number(&data)) return fail(why, damaged);
        const uint64_t length = (data >> 2) + 1;
        if (length > target.size() - out) return fail(why, damaged);
        switch (data & 3) {
            case 0:  // source read: the same position of the source
                if (out + length > source.size()) return fail(why, damaged);
                memcpy(&target[out], &source[out], length);
                break;
            case 1:  // target read: bytes from the patch
                if (length > r.end - r.at) return fail(why, damaged);
                memcpy(&target[out], p + r.at, length);
                r.at += length;
                break;
            default: {  // source or target copy from a relative position
                uint64_t step = 0;
                if (!r.number(&step)) return fail(why, damaged);
                uint64_t &from = (data & 3) == 2 ? source_at : target_at;
                from = step & 1 ? from - (step >> 1) : from + (step >> 1);
                // A target copy may overlap what it writes (a run): byte by
                // byte, from behind the write position.
                if ((data & 3) == 2 ? from > source.size() || length > source.size() - from
                                    : from >= out)
                    return fail(why, damaged);
                for (uint64_t k = 0; k < length; k++)
                    target[out + k] = (data & 3) == 2 ? source[from + k] : target[from + k];
                from += length;
            }
        }
        out += length;
    }
    if (out != target.size() || rom_crc32(target.data(), target.size()) != e.target_crc)
        return fail(why, "BPS patch result fails its CRC-32");
    *rom = std::move(target);
    return true;
}

}  // namespace

uint32_t rom_crc32(const uint8_t *data, size_t n) {
    return static_cast<uint32_t>(crc32(crc32(0, Z_NULL, 0), data, static_cast<uInt>(n)));
}

bool rom_patch_apply(const uint8_t *patch, size_t n, std::vector<uint8_t> *rom, std::string *why) {
    if (starts_with(patch, n, "PATCH")) return apply_ips(patch, n, rom, why);
    if (starts_with(patch, n, "BPS1")) return apply_bps(patch, n, rom, why);
    return fail(why, "not an IPS or BPS patch");
}

bool rom_patch_ends(const uint8_t *patch, size_t n, patch_ends *out) {
    bps_reader r{};
    std::string why;
    return starts_with(patch, n, "BPS1") && bps_header(patch, n, &r, out, &why);
}

namespace {

// The patch file's bytes; false with *why.
bool read_patch(const char *patch_file, std::vector<uint8_t> *patch, std::string *why) {
    const int64_t size = file_size(patch_file);
    if (size < 0 || size > int64_t{PATCH_FILE_MAX}) {
        *why = size < 0 ? "not found" : "too large for a patch";
        return false;
    }
    patch->assign(static_cast<size_t>(size), 0);
    if (file_read_whole(patch_file, patch->data(), patch->size())) return true;
    *why = "cannot be read";
    return false;
}

}  // namespace

bool rom_patch_file(log_sink *log, const char *patch_file, std::vector<uint8_t> *rom) {
    std::vector<uint8_t> patch;
    std::string why;
    if (!read_patch(patch_file, &patch, &why)) {
        log_file_message(log, patch_file, (": " + why + "\n").c_str());
        return false;
    }
    const uint32_t base = rom_crc32(rom->data(), rom->size());
    if (!rom_patch_apply(patch.data(), patch.size(), rom, &why)) {
        log_file_message(log, patch_file, (": " + why + "; nothing written\n").c_str());
        return false;
    }
    log_printf(log, "patched: base ROM CRC-32 %08x, result %08x\n", base,
               rom_crc32(rom->data(), rom->size()));
    return true;
}

bool rom_patch_origin(const char *patch_file, const uint8_t *image, size_t n,
                      const std::function<const char *(uint32_t crc, uint64_t size)> &lookup,
                      std::string *line) {
    std::vector<uint8_t> patch;
    std::string why;
    if (!read_patch(patch_file, &patch, &why)) {
        *line = std::string(patch_file) + ": " + why;
        return false;
    }
    patch_ends e{};
    if (!rom_patch_ends(patch.data(), patch.size(), &e)) {
        *line = starts_with(patch.data(), patch.size(), "PATCH")
                    ? "an IPS patch does not record the ROM it was made for"
                    : std::string(patch_file) + ": not a BPS patch, or a damaged one";
        return false;
    }
    if (e.target_size != n || e.target_crc != rom_crc32(image, n)) {
        *line = "the patch does not make this file";
        return false;
    }
    const char *title = lookup(e.source_crc, e.source_size);
    char crc[16];
    snprintf(crc, sizeof crc, "%08x", e.source_crc);
    *line = title != nullptr
                ? std::string("patched from ") + title
                : std::string("patched from a ROM not in the DAT (CRC-32 ") + crc + ")";
    return title != nullptr;
}
