#include "card/store/sector_store_recording.h"

#include <new>

namespace {

struct recording_store : sector_store {
    sector_store *inner = nullptr;
    std::vector<store_event> events;
};

recording_store *self(sector_store *s) { return static_cast<recording_store *>(s); }

int recording_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    recording_store *r = self(s);
    r->events.push_back({store_event::READ, first, count});
    return store_read(r->inner, first, count, buffer);
}

int recording_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    recording_store *r = self(s);
    r->events.push_back({store_event::WRITE, first, count});
    return store_write(r->inner, first, count, buffer);
}

int recording_flush(sector_store *s) {
    recording_store *r = self(s);
    r->events.push_back({store_event::FLUSH, 0, 0});
    return store_flush(r->inner);
}

int recording_reread(sector_store *s, std::string *why) {
    return store_reread_partitions(self(s)->inner, why);
}
uint64_t recording_sector_count(sector_store *s) { return store_sector_count(self(s)->inner); }
void recording_close(sector_store *s) { delete self(s); }
int recording_drop_cache(sector_store *s, uint64_t first, uint64_t count) {
    return store_drop_cache(self(s)->inner, first, count);
}

const sector_store_ops recording_ops = {
    "recording",      recording_read,  recording_write, recording_flush, recording_sector_count,
    recording_reread, recording_close, recording_drop_cache,
};

}  // namespace

sector_store *recording_store_wrap(sector_store *inner) {
    auto *r = new (std::nothrow) recording_store;
    if (r == nullptr) return nullptr;
    r->ops = &recording_ops;
    r->inner = inner;
    return r;
}

std::vector<store_event> recording_store_events(sector_store *s) {
    if (s == nullptr || s->ops != &recording_ops) return {};
    return self(s)->events;
}
