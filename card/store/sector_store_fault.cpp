#include "card/store/sector_store_fault.h"

#include <cerrno>
#include <new>

namespace {

struct fault_store : sector_store {
    sector_store *inner = nullptr;
    fault_plan plan;
    fault_counts counts;
};

fault_store *self(sector_store *s) { return static_cast<fault_store *>(s); }

int fault_read(sector_store *s, uint64_t first, uint32_t count, void *buffer) {
    fault_store *f = self(s);
    f->counts.reads++;
    if (f->counts.reads == f->plan.fail_read_at) {
        f->counts.injected++;
        return EIO;
    }
    return store_read(f->inner, first, count, buffer);
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
        int status = store_write(f->inner, first, fits, buffer);
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

int fault_reread(sector_store *s) { return store_reread_partitions(self(s)->inner); }
uint64_t fault_sector_count(sector_store *s) { return store_sector_count(self(s)->inner); }
void fault_close(sector_store *s) { delete self(s); }

const sector_store_ops fault_ops = {
    "fault", fault_read, fault_write, fault_flush, fault_sector_count, fault_reread, fault_close,
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
