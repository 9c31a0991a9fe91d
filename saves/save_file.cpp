#include "saves/save_file.h"

#include <zlib.h>

#include <cstring>

#include "core/file_util.h"

namespace {

const uint32_t PADDED_LIMIT = 0x2000;
// Larger than any form this reads, so that a file that inflates past it is
// refused without inflating it whole.
const size_t INFLATE_LIMIT = SAVE_MEMORY_BASE_BYTES + 1;

bool is_gzip(const std::vector<uint8_t> &bytes) {
    return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
}

bool inflate_gzip(const std::vector<uint8_t> &in, std::vector<uint8_t> *out) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return false;
    out->assign(INFLATE_LIMIT, 0);
    z.next_in = const_cast<Bytef *>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out->data();
    z.avail_out = static_cast<uInt>(out->size());
    int status = inflate(&z, Z_FINISH);
    out->resize(z.total_out);
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

std::vector<uint8_t> deflate_gzip(const std::vector<uint8_t> &in) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(in.size())) + 32);
    z.next_in = const_cast<Bytef *>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bool padded_backup_ram(const std::vector<uint8_t> &bytes) {
    if (bytes.size() <= SAVE_BACKUP_RAM_BYTES || bytes.size() > PADDED_LIMIT ||
        bytes.size() % SAVE_BACKUP_RAM_BYTES != 0)
        return false;
    for (size_t i = SAVE_BACKUP_RAM_BYTES + 1; i < bytes.size(); i++)
        if (bytes[i] != bytes[SAVE_BACKUP_RAM_BYTES]) return false;
    return true;
}

}  // namespace

save_file save_file_new(save_kind kind) {
    save_file f;
    f.kind = kind;
    f.image = save_format(kind);
    f.stored_bytes = save_kind_bytes(kind);
    return f;
}

int save_file_decode(const std::vector<uint8_t> &bytes, save_file *out, std::string *why) {
    save_file f;
    std::vector<uint8_t> plain;
    if (is_gzip(bytes)) {
        if (!inflate_gzip(bytes, &plain)) {
            *why = "gzip data is damaged or larger than any save image";
            return VMK_FAILED;
        }
        f.gzip = true;
    } else {
        plain = bytes;
    }
    f.stored_bytes = static_cast<uint32_t>(plain.size());
    if (plain.size() == SAVE_MEMORY_BASE_BYTES) {
        f.kind = SAVE_MEMORY_BASE;
    } else if (plain.size() == SAVE_BACKUP_RAM_BYTES || padded_backup_ram(plain)) {
        f.kind = SAVE_BACKUP_RAM;
        if (plain.size() > SAVE_BACKUP_RAM_BYTES) f.fill = plain[SAVE_BACKUP_RAM_BYTES];
    } else {
        *why = "size " + std::to_string(plain.size()) +
               " bytes: a backup RAM file holds 2048 (or 4096/8192 with uniform padding), a Memory "
               "Base image 131072";
        return VMK_FAILED;
    }
    plain.resize(save_kind_bytes(f.kind));
    f.image = std::move(plain);
    *out = std::move(f);
    return VMK_OK;
}

std::vector<uint8_t> save_file_encode(const save_file &file) {
    std::vector<uint8_t> plain = file.image;
    if (file.stored_bytes > plain.size()) plain.resize(file.stored_bytes, file.fill);
    return file.gzip ? deflate_gzip(plain) : plain;
}

int save_file_load(const char *path, save_file *out, std::string *why) {
    int64_t size = file_size(path);
    if (size < 0) {
        *why = std::string(path) + ": not found";
        return VMK_FAILED;
    }
    // Nothing this reads is larger than a Memory Base image; a compressed one
    // is smaller still.
    if (size > static_cast<int64_t>(SAVE_MEMORY_BASE_BYTES) + 1024) {
        *why = std::string(path) + ": size " + std::to_string(size) + " bytes is no save image";
        return VMK_FAILED;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!bytes.empty() && !file_read_whole(path, bytes.data(), bytes.size())) {
        *why = std::string(path) + ": cannot be read";
        return VMK_FAILED;
    }
    if (save_file_decode(bytes, out, why) != VMK_OK) {
        *why = std::string(path) + ": " + *why;
        return VMK_FAILED;
    }
    return VMK_OK;
}

int save_file_store(const char *path, const save_file &file, std::string *why) {
    std::vector<uint8_t> bytes = save_file_encode(file);
    if (file_write_whole(path, bytes.data(), bytes.size())) return VMK_OK;
    *why = std::string(path) + ": cannot be written";
    return VMK_FAILED;
}
