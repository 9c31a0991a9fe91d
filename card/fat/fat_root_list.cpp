// Root directory listing for FAT12, FAT16 and FAT32; exFAT has its own walk.
#include <cstring>
#include <string>
#include <vector>

#include "card/fat/fat_dir.h"
#include "card/fat/fat_root.h"
#include "card/fat/fat_volume.h"
#include "core/le_bytes.h"
#include "core/text_copy.h"

std::string fat_short_name_text(const uint8_t *e) {
    auto part = [](const uint8_t *p, int n, bool lower) {
        std::string s;
        for (int i = 0; i < n; i++) {
            char c = static_cast<char>(p[i]);
            if (lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            s += c;
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    std::string base = part(e, 8, (e[12] & FAT_CASE_LOWER_BASE) != 0);
    // 0x05 stands for a leading 0xE5 byte in the name.
    if (!base.empty() && base[0] == 0x05) base[0] = static_cast<char>(0xE5);
    std::string ext = part(e + 8, 3, (e[12] & FAT_CASE_LOWER_EXT) != 0);
    return ext.empty() ? base : base + "." + ext;
}

std::string fat_utf16_text(const uint16_t *units, size_t count) {
    std::string name;
    for (size_t i = 0; i < count && units[i] != 0; i++) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            i++;
        }
        append_utf8(name, c);
    }
    return name;
}

namespace {

// Collects long-name entries in front of a short entry. A long name counts
// only when its pieces arrived complete, in order, and carry the checksum of
// the short entry that follows them; otherwise the short name is used.
class long_name_collector {
public:
    void piece(const uint8_t *e) {
        int seq = e[0] & 0x1F;
        if (e[0] & 0x40) {
            reset();
            expected_ = seq;
            checksum_ = e[13];
            units_.assign(static_cast<size_t>(seq) * 13, 0xFFFF);
        } else if (expected_ == 0 || seq != expected_ || e[13] != checksum_) {
            reset();
            return;
        }
        if (seq < 1) {
            reset();
            return;
        }
        static const int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        for (int i = 0; i < 13; i++)
            units_[static_cast<size_t>(seq - 1) * 13 + i] = le16_get(e + offsets[i]);
        expected_ = seq - 1;
    }

    // The long name for this short entry, or "" when there is none.
    std::string take(const uint8_t *short_entry) {
        std::string name;
        bool complete =
            !units_.empty() && expected_ == 0 && checksum_ == fat_short_name_checksum(short_entry);
        if (complete) name = fat_utf16_text(units_.data(), units_.size());
        reset();
        return name;
    }

    void reset() {
        units_.clear();
        expected_ = 0;
        checksum_ = 0;
    }

private:
    std::vector<uint16_t> units_;
    int expected_ = 0;
    uint8_t checksum_ = 0;
};

enum scan_result { SCAN_MORE, SCAN_DONE };

struct root_walk {
    bool (*visit)(void *, const char *);
    void *user;
    long_name_collector names;

    // One sector of directory entries.
    scan_result sector(const uint8_t *s) {
        for (int i = 0; i < FAT_ENTRIES_PER_SECTOR; i++) {
            const uint8_t *e = s + i * FAT_DIR_ENTRY_SIZE;
            if (e[0] == FAT_ENTRY_END) return SCAN_DONE;
            if (e[0] == FAT_ENTRY_FREE) {
                names.reset();
                continue;
            }
            if (fat_entry_is_long_name(e)) {
                names.piece(e);
                continue;
            }
            std::string name = names.take(e);
            if (e[11] & FAT_ATTR_VOLUME) continue;
            if (name.empty()) name = fat_short_name_text(e);
            if (!visit(user, name.c_str())) return SCAN_DONE;
        }
        return SCAN_MORE;
    }
};

int list_fixed_root(const fat_sector_io *io, const fat_volume &v, root_walk &walk) {
    uint8_t s[512];
    for (uint32_t i = 0; i < v.root_sectors; i++) {
        if (!io->read(io->user, v.root_start + i, s, 1)) return FAT_IO_ERROR;
        if (walk.sector(s) == SCAN_DONE) break;
    }
    return FAT_OK;
}

// FAT32 keeps its root directory in a cluster chain.
int list_chained_root(const fat_sector_io *io, const fat_volume &v, root_walk &walk) {
    uint8_t s[512];
    uint8_t fat_sector[512];
    uint32_t cached = UINT32_MAX;
    uint32_t c = v.root_cluster;
    // A chain longer than the cluster count has a loop.
    for (uint32_t hops = 0; hops < v.cluster_count; hops++) {
        if (!fat_cluster_valid(v, c)) return FAT_CORRUPT;
        for (uint32_t k = 0; k < v.sectors_per_cluster; k++) {
            if (!io->read(io->user, fat_cluster_sector(v, c) + k, s, 1)) return FAT_IO_ERROR;
            if (walk.sector(s) == SCAN_DONE) return FAT_OK;
        }
        uint32_t at = v.fat_start + c / 128;  // 128 four-byte entries per sector
        if (at != cached) {
            if (!io->read(io->user, at, fat_sector, 1)) return FAT_IO_ERROR;
            cached = at;
        }
        uint32_t next = le32_get(fat_sector + (c % 128) * 4) & 0x0FFFFFFF;
        if (next >= 0x0FFFFFF8) return FAT_OK;
        c = next;
    }
    return FAT_CORRUPT;
}

}  // namespace

int fat_list_root(const fat_sector_io *io, bool (*visit)(void *, const char *), void *user) {
    fat_volume v;
    int status = fat_volume_read(io, &v);
    if (status == FAT_NOT_FAT) return exfat_list_root(io, visit, user);
    if (status != FAT_OK) return status;
    root_walk walk{visit, user, {}};
    return v.kind == FAT_KIND_32 ? list_chained_root(io, v, walk) : list_fixed_root(io, v, walk);
}
