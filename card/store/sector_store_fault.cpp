#include "card/store/sector_store_fault.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

namespace {

struct fault_store : sector_store {
    sector_store *inner = nullptr;
    fault_plan plan;
    fault_counts counts;
};

fault_store *self(sector_store *s) { return static_cast<fault_store *>(s); }

// Transfers on the inner store, through the wrap of a fake-capacity card:
// a range that crosses a multiple of the real size goes in pieces.
template <typename Pointer, typename Transfer>
int wrapped(fault_store *f, uint64_t first, uint32_t count, Pointer buffer, Transfer transfer) {
    uint64_t real = f->plan.real_sectors;
    if (real == 0) return transfer(f->inner, first, count, buffer);
    while (count > 0) {
        uint64_t at = first % real;
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, real - at));
        if (int status = transfer(f->inner, at, n, buffer)) return status;
        first += n;
        count -= n;
        buffer += size_t{n} * 512;
    }
    return 0;
}

int inner_read(fault_store *f, uint64_t first, uint32_t count, void *buffer) {
    return wrapped(f, first, count, static_cast<uint8_t *>(buffer), store_read);
}

int inner_write(fault_store *f, uint64_t first, uint32_t count, const void *buffer) {
    return wrapped(f, first, count, static_cast<const uint8_t *>(buffer), store_write);
}

bool covers(uint64_t first, uint32_t count, uint64_t sector) {
    return sector >= first && sector - first < count;
}

bool touches_unreadable(const fault_plan &p, uint64_t first, uint32_t count) {
    if (p.unreadable_count == 0 || p.unreadable_first >= first + count) return false;
    return first <= p.unreadable_first || first - p.unreadable_first < p.unreadable_count;
}

int fault_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    fault_store *f = self(s);
    f->counts.reads++;
    if (f->counts.reads == f->plan.fail_read_at || touches_unreadable(f->plan, first, count)) {
        f->counts.injected++;
        return EIO;
    }
    return inner_read(f, first, count, buffer);
}

// Writes with the plan's silent faults applied to a copy of the data.
int silent_fault_write(fault_store *f, uint64_t first, uint32_t count, const void *buffer) {
    bool flip = covers(first, count, f->plan.flip_sector);
    bool drop = covers(first, count, f->plan.drop_sector);
    if (!flip && !drop) return inner_write(f, first, count, buffer);
    const auto *in = static_cast<const uint8_t *>(buffer);
    std::vector<uint8_t> data(in, in + size_t{count} * 512);
    if (flip) data[(f->plan.flip_sector - first) * 512] ^= 0xFF;
    if (drop) {
        uint8_t *old = &data[(f->plan.drop_sector - first) * 512];
        if (int status = inner_read(f, f->plan.drop_sector, 1, old)) return status;
    }
    f->counts.injected++;
    return inner_write(f, first, count, data.data());
}

int fault_write(sector_store *s, uint64_t first, uint32_t count, const void *buffer) {
    fault_store *f = self(s);
    f->counts.writes++;
    if (f->counts.writes == f->plan.fail_write_at) {
        f->counts.injected++;
        return EIO;
    }
    uint64_t budget = f->plan.write_sector_budget;
    uint64_t left = f->counts.sectors_written < budget ? budget - f->counts.sectors_written : 0;
    uint32_t fits = count <= left ? count : static_cast<uint32_t>(left);
    if (fits > 0) {
        int status = silent_fault_write(f, first, fits, buffer);
        if (status != 0) return status;
        f->counts.sectors_written += fits;
    }
    if (fits == count) return 0;
    f->counts.injected++;
    return EIO;
}

int fault_flush(sector_store *s) {
    fault_store *f = self(s);
    if (f->plan.fail_flush) {
        f->counts.injected++;
        return EIO;
    }
    return store_flush(f->inner);
}

int fault_drop_cache(sector_store *s, uint64_t first, uint64_t count) {
    return store_drop_cache(self(s)->inner, first, count);
}

int fault_reread(sector_store *s, std::string *why) {
    return store_reread_partitions(self(s)->inner, why);
}
uint64_t fault_sector_count(sector_store *s) { return store_sector_count(self(s)->inner); }
void fault_close(sector_store *s) { delete self(s); }

const sector_store_ops fault_ops = {
    "fault", fault_read, fault_write, fault_flush, fault_sector_count, fault_reread, fault_close,
    fault_drop_cache,
};

}  // namespace

sector_store *fault_store_wrap(sector_store *inner, const fault_plan &plan) {
    auto *f = new (std::nothrow) fault_store;
    if (f == nullptr) return nullptr;
    f->ops = &fault_ops;
    f->inner = inner;
    f->plan = plan;
    return f;
}

fault_counts fault_store_counts(sector_store *s) {
    if (s == nullptr || s->ops != &fault_ops) return {};
    return self(s)->counts;
}

void fault_store_replan(sector_store *s, const fault_plan &plan) {
    if (s != nullptr && s->ops == &fault_ops) self(s)->plan = plan;
}
