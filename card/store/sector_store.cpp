#include "card/store/sector_store.h"

#include <cerrno>

namespace {

bool range_inside(sector_store *s, uint64_t first, uint32_t count) {
    uint64_t total = s->ops->sector_count(s);
    return first <= total && count <= total - first;
}

}  // namespace

int store_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    if (s == nullptr || (buffer == nullptr && count != 0)) return EINVAL;
    if (!range_inside(s, first, count)) return ENXIO;
    if (count == 0) return 0;
    return s->ops->read(s, first, count, buffer);
}

int store_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    if (s == nullptr || (buffer == nullptr && count != 0)) return EINVAL;
    if (!range_inside(s, first, count)) return ENXIO;
    if (count == 0) return 0;
    return s->ops->write(s, first, count, buffer);
}

int store_flush(sector_store *s) { return s == nullptr ? EINVAL : s->ops->flush(s); }

int store_reread_partitions(sector_store *s, std::string *why) {
    if (s == nullptr) return EINVAL;
    return s->ops->reread_partitions == nullptr ? 0 : s->ops->reread_partitions(s, why);
}

uint64_t store_sector_count(sector_store *s) { return s == nullptr ? 0 : s->ops->sector_count(s); }

void store_close(sector_store *s) {
    if (s != nullptr) s->ops->close(s);
}

int store_read_uncached(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    if (s == nullptr || (buffer == nullptr && count != 0)) return EINVAL;
    if (!range_inside(s, first, count)) return ENXIO;
    if (count == 0) return 0;
    if (int status = store_drop_cache(s, first, count)) return status;
    return s->ops->read(s, first, count, buffer);
}

int store_drop_cache(sector_store *s, uint64_t first, uint64_t count) {
    if (s == nullptr) return EINVAL;
    return s->ops->drop_cache == nullptr ? 0 : s->ops->drop_cache(s, first, count);
}
