#include "card/cdimage/chd_read_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "card/cdimage/chd_file.h"
#include "platform/files.h"

namespace {

// The ring holds at least this many hunks, and more while they fit the
// memory bound: enough for every thread to work while the reader catches up.
constexpr size_t RING_HUNKS_MIN = 4, RING_HUNKS_MAX = 32;
constexpr size_t RING_BYTES = size_t{4} << 20;

struct slot {
    uint32_t hunk = UINT32_MAX;  // the hunk the slot holds once decoded
    bool ok = false;
    std::string damage;
};

}  // namespace

struct chd_read_ahead {
    const chd_file *chd;
    uint32_t hunks;
    size_t ring_hunks;
    std::vector<uint8_t> ring;  // ring_hunks hunks; hunk h in place h % ring_hunks
    std::vector<slot> slots;
    std::mutex lock;
    std::condition_variable decoded, room;
    // Hunks below `taken` are the reader's; the pool claims `claimed` next,
    // and never more than ring_hunks past taken, so it never overwrites a
    // hunk the reader has not taken.
    uint32_t taken, claimed;
    bool stopping = false;
    std::vector<std::thread> pool;
};

namespace {

// One thread of the pool: its own handle on the file and its own
// decompressors, since neither may be shared between threads.
void decode_ahead(chd_read_ahead *r) {
    const chd_file &chd = *r->chd;
    chd_codec_ptr codecs[4];
    chd_hunk_decoder d{};
    if (positioned_file_open(chd.name.c_str(), POSITIONED_READ_ONLY, &d.file) != 0)
        d.file = nullptr;  // every hunk then reads as damaged, as a vanished file would
    for (int i = 0; i < 4; i++) {
        if (chd.codecs[i] != 0) codecs[i] = chd_codec_make(chd.codecs[i], chd.hunk_bytes);
        d.codecs[i] = codecs[i].get();
    }
    std::vector<uint8_t> compressed(chd.hunk_bytes);
    d.compressed = compressed.data();
    for (;;) {
        uint32_t hunk;
        {
            std::unique_lock<std::mutex> hold(r->lock);
            r->room.wait(hold, [r] {
                return r->stopping || r->claimed >= r->hunks ||
                       r->claimed - r->taken < r->ring_hunks;
            });
            if (r->stopping || r->claimed >= r->hunks) break;
            hunk = r->claimed++;
        }
        slot done;
        done.hunk = hunk;
        uint8_t *place = &r->ring[size_t{hunk % r->ring_hunks} * chd.hunk_bytes];
        done.ok = chd_decode_hunk(chd, d, hunk, place, &done.damage);
        {
            std::lock_guard<std::mutex> hold(r->lock);
            r->slots[hunk % r->ring_hunks] = std::move(done);
        }
        r->decoded.notify_all();
    }
    positioned_file_close(d.file);
}

}  // namespace

chd_read_ahead *chd_read_ahead_start(const chd_file *chd, uint32_t first, int threads) {
    const uint32_t hunks = static_cast<uint32_t>(chd->map.size());
    if (threads <= 0 || first >= hunks) return nullptr;
    auto *r = new (std::nothrow) chd_read_ahead;
    if (r == nullptr) return nullptr;
    r->chd = chd;
    r->hunks = hunks;
    r->ring_hunks = std::clamp<size_t>(RING_BYTES / chd->hunk_bytes, RING_HUNKS_MIN, RING_HUNKS_MAX);
    r->taken = r->claimed = first;
    try {
        r->ring.resize(r->ring_hunks * chd->hunk_bytes);
        r->slots.resize(r->ring_hunks);
        for (int k = 0; k < threads; k++) r->pool.emplace_back(decode_ahead, r);
    } catch (const std::bad_alloc &) {
    } catch (const std::system_error &) {
        // As many threads as the system gave; none leaves the reader alone.
    }
    if (r->pool.empty()) {
        delete r;
        return nullptr;
    }
    return r;
}

bool chd_read_ahead_serves(const chd_read_ahead *r, uint32_t hunk) {
    return hunk >= r->taken && hunk < r->hunks;
}

bool chd_read_ahead_take(chd_read_ahead *r, uint32_t hunk, uint8_t *out, std::string *damage) {
    const uint32_t bytes = r->chd->hunk_bytes;
    std::unique_lock<std::mutex> hold(r->lock);
    for (;;) {
        const uint32_t next = r->taken;
        slot &s = r->slots[next % r->ring_hunks];
        r->decoded.wait(hold, [&] { return s.hunk == next; });
        r->taken++;
        if (next == hunk) {
            if (s.ok) memcpy(out, &r->ring[size_t{next % r->ring_hunks} * bytes], bytes);
            const bool ok = s.ok;
            *damage = s.damage;
            hold.unlock();
            r->room.notify_all();
            return ok;
        }
        r->room.notify_all();
    }
}

void chd_read_ahead_stop(chd_read_ahead *r) {
    if (r == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(r->lock);
        r->stopping = true;
    }
    r->room.notify_all();
    for (std::thread &t : r->pool) t.join();
    delete r;
}
