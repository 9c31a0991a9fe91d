// Creating or replacing one file in the root directory of a FAT12 volume.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "card/fat/fat_dir.h"
#include "card/fat/fat_root.h"
#include "card/fat/fat_volume.h"
#include "core/le_bytes.h"
#include "platform/program.h"

namespace {

enum : uint32_t { FAT12_END_OF_CHAIN = 0xFFF, FAT12_FIRST_END = 0xFF8 };

uint32_t fat12_get(const std::vector<uint8_t> &fat, uint32_t c) {
    size_t at = c + c / 2;
    uint32_t pair = le16_get(&fat[at]);
    return c & 1 ? pair >> 4 : pair & 0xFFF;
}

void fat12_put(std::vector<uint8_t> &fat, uint32_t c, uint32_t value) {
    size_t at = c + c / 2;
    uint32_t pair = le16_get(&fat[at]);
    pair = c & 1 ? (pair & 0x000F) | value << 4 : (pair & 0xF000) | (value & 0xFFF);
    le16_put(&fat[at], pair);
}

// "cdlist.txt" -> "CDLIST  TXT" plus the case flags; false for anything that
// is not a plain 8.3 name of letters, digits, '_' and '-'.
bool short_name_of(const char *name, uint8_t out[11], uint8_t *case_flags) {
    memset(out, ' ', 11);
    *case_flags = 0;
    const char *dot = strchr(name, '.');
    size_t base_len = dot ? static_cast<size_t>(dot - name) : strlen(name);
    size_t ext_len = dot ? strlen(dot + 1) : 0;
    if (base_len == 0 || base_len > 8 || ext_len > 3 || (dot && strchr(dot + 1, '.'))) return false;
    auto copy = [](const char *from, size_t n, uint8_t *to, uint8_t lower_flag, uint8_t *flags) {
        bool lower = false, upper = false;
        for (size_t i = 0; i < n; i++) {
            char c = from[i];
            if (c >= 'a' && c <= 'z') {
                lower = true;
                c = static_cast<char>(c - 'a' + 'A');
            } else if (c >= 'A' && c <= 'Z') {
                upper = true;
            } else if (!((c >= '0' && c <= '9') || c == '_' || c == '-')) {
                return false;
            }
            to[i] = static_cast<uint8_t>(c);
        }
        if (lower && upper) return false;  // mixed case needs a long name
        if (lower) *flags |= lower_flag;
        return true;
    };
    return copy(name, base_len, out, FAT_CASE_LOWER_BASE, case_flags) &&
           (!dot || copy(dot + 1, ext_len, out + 8, FAT_CASE_LOWER_EXT, case_flags));
}

void stamp_time(uint8_t *e) {
    struct tm t {};
    t.tm_year = 80;  // 1980-01-01, FAT's first day, when the clock cannot be read
    t.tm_mday = 1;
    calendar_local(time(nullptr), &t);
    int year = t.tm_year + 1900 < 1980 ? 0 : t.tm_year + 1900 - 1980;
    uint32_t date = static_cast<uint32_t>(year << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
    uint32_t clock = static_cast<uint32_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
    le16_put(e + 14, clock);  // created
    le16_put(e + 16, date);
    le16_put(e + 18, date);   // accessed
    le16_put(e + 22, clock);  // written
    le16_put(e + 24, date);
}

// First cluster of a run of `count` free clusters, or 0.
uint32_t find_free_run(const std::vector<uint8_t> &fat, const fat_volume &v, uint32_t count) {
    uint32_t run = 0;
    for (uint32_t c = 2; c < v.cluster_count + 2; c++) {
        run = fat12_get(fat, c) == 0 ? run + 1 : 0;
        if (run == count) return c - count + 1;
    }
    return 0;
}

// Clusters of the chain from `first`; false for a chain that leaves the volume
// or loops.
bool collect_chain(const std::vector<uint8_t> &fat, const fat_volume &v, uint32_t first,
                   std::vector<uint32_t> *chain) {
    for (uint32_t c = first; c != 0 && c < FAT12_FIRST_END;) {
        if (!fat_cluster_valid(v, c) || chain->size() >= v.cluster_count) return false;
        chain->push_back(c);
        c = fat12_get(fat, c);
    }
    return true;
}

// The entry of short_name in the root directory, or -1; *free_slot (when
// given) the first free entry, or -1.
int find_entry(const std::vector<uint8_t> &root, const uint8_t short_name[11],
               int *free_slot = nullptr) {
    int entries = static_cast<int>(root.size() / FAT_DIR_ENTRY_SIZE);
    int free_found = -1;
    int found = -1;
    for (int i = 0; i < entries; i++) {
        const uint8_t *e = &root[static_cast<size_t>(i) * FAT_DIR_ENTRY_SIZE];
        if (e[0] == FAT_ENTRY_END) {
            if (free_found < 0) free_found = i;
            break;
        }
        if (e[0] == FAT_ENTRY_FREE) {
            if (free_found < 0) free_found = i;
            continue;
        }
        if (fat_entry_is_long_name(e) || (e[11] & FAT_ATTR_VOLUME)) continue;
        if (memcmp(e, short_name, 11) == 0) {
            found = i;
            break;
        }
    }
    if (free_slot != nullptr) *free_slot = free_found;
    return found;
}

// The volume's first FAT and root directory.
int read_tables(const fat_sector_io *io, fat_volume *v, std::vector<uint8_t> *fat,
                std::vector<uint8_t> *root) {
    int status = fat_volume_read(io, v);
    if (status != FAT_OK) return status;
    if (v->kind != FAT_KIND_12) return FAT_UNSUPPORTED;
    fat->resize(size_t{v->fat_sectors} * 512);
    if (!io->read(io->user, v->fat_start, fat->data(), v->fat_sectors)) return FAT_IO_ERROR;
    root->resize(size_t{v->root_sectors} * 512);
    if (!io->read(io->user, v->root_start, root->data(), v->root_sectors)) return FAT_IO_ERROR;
    return FAT_OK;
}

// A FAT12 volume's first FAT and root directory, with the short form of the
// name a caller looks for in it.
struct root_view {
    uint8_t short_name[11];
    uint8_t case_flags;
    fat_volume v;
    std::vector<uint8_t> fat, root;
};

int root_view_read(const fat_sector_io *io, const char *name, root_view *r) {
    if (!short_name_of(name, r->short_name, &r->case_flags)) return FAT_UNSUPPORTED;
    return read_tables(io, &r->v, &r->fat, &r->root);
}

struct root_slot {
    uint32_t sector = 0;  // 0: none found
    int index = 0;
};

}  // namespace

int fat12_write_root_file(const fat_sector_io *io, const char *name, const void *data,
                          uint32_t size) {
    root_view r;
    if (int status = root_view_read(io, name, &r)) return status;
    fat_volume &v = r.v;
    std::vector<uint8_t> &fat = r.fat, &root = r.root;

    int free_slot = -1;
    int existing = find_entry(root, r.short_name, &free_slot);
    int slot = existing >= 0 ? existing : free_slot;
    if (slot < 0) return FAT_NO_SPACE;
    uint8_t *entry = &root[static_cast<size_t>(slot) * FAT_DIR_ENTRY_SIZE];

    std::vector<uint32_t> old_chain;
    if (existing >= 0 && !collect_chain(fat, v, le16_get(entry + 26), &old_chain))
        return FAT_CORRUPT;

    uint32_t cluster_bytes = v.sectors_per_cluster * 512;
    uint32_t needed = static_cast<uint32_t>((uint64_t{size} + cluster_bytes - 1) / cluster_bytes);
    // Prefer clusters the old file does not use, so that it stays whole until
    // the directory entry points at the new data.
    uint32_t first = needed ? find_free_run(fat, v, needed) : 0;
    for (uint32_t c : old_chain) fat12_put(fat, c, 0);
    if (needed && first == 0) first = find_free_run(fat, v, needed);
    if (needed && first == 0) return FAT_NO_SPACE;

    std::vector<uint8_t> body(size_t{needed} * cluster_bytes, 0);
    if (size) memcpy(body.data(), data, size);
    if (needed && !io->write(io->user, fat_cluster_sector(v, first), body.data(),
                             needed * v.sectors_per_cluster))
        return FAT_IO_ERROR;

    for (uint32_t k = 0; k < needed; k++)
        fat12_put(fat, first + k, k + 1 < needed ? first + k + 1 : FAT12_END_OF_CHAIN);
    for (uint32_t copy = 0; copy < v.fat_count; copy++)
        if (!io->write(io->user, v.fat_start + copy * v.fat_sectors, fat.data(), v.fat_sectors))
            return FAT_IO_ERROR;

    if (existing < 0) {
        memset(entry, 0, FAT_DIR_ENTRY_SIZE);
        memcpy(entry, r.short_name, 11);
        entry[11] = FAT_ATTR_ARCHIVE;
    }
    entry[12] = r.case_flags;
    stamp_time(entry);
    le16_put(entry + 20, 0);  // high half of the first cluster: always 0 on FAT12
    le16_put(entry + 26, first);
    le32_put(entry + 28, size);
    uint32_t entry_sector = static_cast<uint32_t>(slot) / FAT_ENTRIES_PER_SECTOR;
    if (!io->write(io->user, v.root_start + entry_sector, &root[size_t{entry_sector} * 512], 1))
        return FAT_IO_ERROR;
    return FAT_OK;
}

int fat12_read_root_file(const fat_sector_io *io, const char *name, std::string *data) {
    root_view r;
    if (int status = root_view_read(io, name, &r)) return status;
    fat_volume &v = r.v;
    std::vector<uint8_t> &fat = r.fat, &root = r.root;
    int slot = find_entry(root, r.short_name);
    if (slot < 0) return FAT_NO_FILE;
    const uint8_t *entry = &root[static_cast<size_t>(slot) * FAT_DIR_ENTRY_SIZE];
    uint32_t size = le32_get(entry + 28);
    std::vector<uint32_t> chain;
    if (!collect_chain(fat, v, le16_get(entry + 26), &chain)) return FAT_CORRUPT;
    uint32_t cluster_bytes = v.sectors_per_cluster * 512;
    if (uint64_t{chain.size()} * cluster_bytes < size) return FAT_CORRUPT;
    std::vector<uint8_t> cluster(cluster_bytes);
    data->clear();
    for (uint32_t c : chain) {
        if (data->size() >= size) break;
        if (!io->read(io->user, fat_cluster_sector(v, c), cluster.data(), v.sectors_per_cluster))
            return FAT_IO_ERROR;
        data->append(reinterpret_cast<const char *>(cluster.data()),
                     std::min<size_t>(cluster_bytes, size - data->size()));
    }
    return FAT_OK;
}
