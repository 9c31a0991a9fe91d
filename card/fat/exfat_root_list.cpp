// Root directory listing for exFAT, the file system new SDXC cards come with.
// A card straight from the shop holds nothing but perhaps "System Volume
// Information", and must be seen as empty rather than as unknown.
#include <cstring>
#include <string>
#include <vector>

#include "card/fat/fat_dir.h"
#include "card/fat/fat_root.h"
#include "core/le_bytes.h"

namespace {

// Boot sector fields.
constexpr size_t EXFAT_NAME_AT = 3;  // "EXFAT   "
constexpr size_t EXFAT_FAT_OFFSET = 80;
constexpr size_t EXFAT_HEAP_OFFSET = 88;
constexpr size_t EXFAT_CLUSTER_COUNT = 92;
constexpr size_t EXFAT_ROOT_CLUSTER = 96;
constexpr size_t EXFAT_SECTOR_SHIFT = 108;
constexpr size_t EXFAT_CLUSTER_SHIFT = 109;

// Directory entry types: bit 7 set means in use.
enum : uint8_t {
    EXFAT_END = 0x00,
    EXFAT_IN_USE = 0x80,
    EXFAT_FILE = 0x85,
    EXFAT_STREAM = 0xC0,
    EXFAT_NAME = 0xC1,
};
constexpr uint32_t EXFAT_LAST_CLUSTER = 0xFFFFFFF6;
constexpr int NAME_UNITS_PER_ENTRY = 15;

struct exfat_volume {
    uint32_t scale;  // 512-byte io sectors per volume sector
    uint32_t fat_start;
    uint32_t heap_start;
    uint32_t sectors_per_cluster;  // in io sectors
    uint32_t cluster_count;
    uint32_t root_cluster;
};

int read_volume(const fat_sector_io *io, exfat_volume *v) {
    uint8_t boot[512];
    if (io->sector_count == 0) return FAT_NOT_FAT;
    if (!io->read(io->user, 0, boot, 1)) return FAT_IO_ERROR;
    if (memcmp(boot + EXFAT_NAME_AT, "EXFAT   ", 8) != 0 || boot[510] != 0x55 || boot[511] != 0xAA)
        return FAT_NOT_FAT;
    unsigned sector_shift = boot[EXFAT_SECTOR_SHIFT], cluster_shift = boot[EXFAT_CLUSTER_SHIFT];
    if (sector_shift < 9 || sector_shift > 12 || sector_shift + cluster_shift > 25)
        return FAT_CORRUPT;
    v->scale = 1u << (sector_shift - 9);
    v->sectors_per_cluster = v->scale << cluster_shift;
    uint64_t fat = uint64_t{le32_get(boot + EXFAT_FAT_OFFSET)} * v->scale;
    uint64_t heap = uint64_t{le32_get(boot + EXFAT_HEAP_OFFSET)} * v->scale;
    v->cluster_count = le32_get(boot + EXFAT_CLUSTER_COUNT);
    v->root_cluster = le32_get(boot + EXFAT_ROOT_CLUSTER);
    uint64_t heap_end = heap + uint64_t{v->cluster_count} * v->sectors_per_cluster;
    if (fat == 0 || fat >= heap || heap_end > io->sector_count) return FAT_CORRUPT;
    // The FAT must hold an entry for every cluster before the heap starts.
    if ((uint64_t{v->cluster_count} + 2) * 4 > (heap - fat) * 512) return FAT_CORRUPT;
    v->fat_start = static_cast<uint32_t>(fat);
    v->heap_start = static_cast<uint32_t>(heap);
    return FAT_OK;
}

bool cluster_valid(const exfat_volume &v, uint32_t c) {
    return c >= 2 && c - 2 < v.cluster_count;
}

enum scan_result { SCAN_MORE, SCAN_DONE };

// A file entry set: the file entry, its stream extension and name entries.
struct root_walk {
    bool (*visit)(void *, const char *);
    void *user;
    int secondaries_left = 0;  // of the current set; 0 between sets
    size_t name_length = 0;
    std::vector<uint16_t> units;

    scan_result entry(const uint8_t *e) {
        uint8_t type = e[0];
        if (type == EXFAT_END) return SCAN_DONE;
        if (secondaries_left > 0 && (type & 0xC0) == 0xC0) {
            if (type == EXFAT_STREAM) name_length = e[3];
            if (type == EXFAT_NAME)
                for (int i = 0; i < NAME_UNITS_PER_ENTRY; i++) units.push_back(le16_get(e + 2 + 2 * i));
            if (--secondaries_left == 0) return finish();
            return SCAN_MORE;
        }
        secondaries_left = 0;  // a set cut short is no name
        units.clear();
        name_length = 0;
        if (type == EXFAT_FILE && e[1] >= 2) secondaries_left = e[1];
        return SCAN_MORE;
    }

    scan_result finish() {
        size_t n = name_length < units.size() ? name_length : units.size();
        std::string name = fat_utf16_text(units.data(), n);
        units.clear();
        if (name.empty()) return SCAN_MORE;
        return visit(user, name.c_str()) ? SCAN_MORE : SCAN_DONE;
    }
};

int next_cluster(const fat_sector_io *io, const exfat_volume &v, uint32_t c, uint32_t *next) {
    uint8_t s[512];
    if (!io->read(io->user, v.fat_start + c / 128, s, 1)) return FAT_IO_ERROR;
    *next = le32_get(s + (c % 128) * 4);
    return FAT_OK;
}

}  // namespace

int exfat_list_root(const fat_sector_io *io, bool (*visit)(void *, const char *), void *user) {
    exfat_volume v;
    int status = read_volume(io, &v);
    if (status != FAT_OK) return status;
    root_walk walk{visit, user, 0, 0, {}};
    uint8_t s[512];
    uint32_t c = v.root_cluster;
    // A chain longer than the cluster count has a loop.
    for (uint32_t hops = 0; hops < v.cluster_count; hops++) {
        if (!cluster_valid(v, c)) return FAT_CORRUPT;
        uint32_t first = v.heap_start + (c - 2) * v.sectors_per_cluster;
        for (uint32_t k = 0; k < v.sectors_per_cluster; k++) {
            if (!io->read(io->user, first + k, s, 1)) return FAT_IO_ERROR;
            for (int i = 0; i < 16; i++)
                if (walk.entry(s + 32 * i) == SCAN_DONE) return FAT_OK;
        }
        status = next_cluster(io, v, c, &c);
        if (status != FAT_OK) return status;
        if (c > EXFAT_LAST_CLUSTER) return FAT_OK;
    }
    return FAT_CORRUPT;
}
