#include "card/cdimage/chd_write_ahead.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Enough for every thread to have a hunk while the writer fills the next
// ones and writes the finished ones.
constexpr uint32_t RING_HUNKS = 8;

}  // namespace

struct chd_write_ahead {
    uint32_t hunk_bytes;
    uint32_t codecs[4];
    std::vector<uint8_t> ring;  // RING_HUNKS hunks; hunk h in place h % RING_HUNKS
    chd_compressed_hunk results[RING_HUNKS];
    uint32_t done[RING_HUNKS];  // the hunk whose result each slot holds
    std::mutex lock;
    std::condition_variable handed, finished;
    // Hunks below `taken` are the writer's again; the pool compresses those
    // from `claimed` to `handed_over`.
    uint32_t handed_over = 0, claimed = 0, taken = 0;
    bool stopping = false;
    chd_compressor_ptr own;  // the writer's, when no thread runs
    std::vector<std::thread> pool;
};

namespace {

void compress_ahead(chd_write_ahead *w) {
    chd_compressor_ptr c = chd_compressor_make(w->codecs, w->hunk_bytes);
    for (;;) {
        uint32_t hunk;
        {
            std::unique_lock<std::mutex> hold(w->lock);
            w->handed.wait(hold, [w] { return w->stopping || w->claimed < w->handed_over; });
            if (w->stopping) break;
            hunk = w->claimed++;
        }
        const uint32_t slot = hunk % RING_HUNKS;
        chd_compress_hunk(c.get(), &w->ring[size_t{slot} * w->hunk_bytes], &w->results[slot]);
        {
            std::lock_guard<std::mutex> hold(w->lock);
            w->done[slot] = hunk;
        }
        w->finished.notify_all();
    }
}

}  // namespace

chd_write_ahead *chd_write_ahead_start(const uint32_t codecs[4], uint32_t hunk_bytes, int threads) {
    // A compressor made here proves the codecs before any thread needs one.
    chd_compressor_ptr own = chd_compressor_make(codecs, hunk_bytes);
    if (own == nullptr) return nullptr;
    auto *w = new (std::nothrow) chd_write_ahead;
    if (w == nullptr) return nullptr;
    w->hunk_bytes = hunk_bytes;
    for (int i = 0; i < 4; i++) w->codecs[i] = codecs[i];
    for (uint32_t &d : w->done) d = UINT32_MAX;
    w->own = std::move(own);
    try {
        w->ring.resize(size_t{RING_HUNKS} * hunk_bytes);
        for (int k = 0; k < threads; k++) w->pool.emplace_back(compress_ahead, w);
    } catch (const std::bad_alloc &) {
    } catch (const std::system_error &) {
        // As many threads as the system gave; none leaves the writer alone.
    }
    if (w->ring.empty()) {
        chd_write_ahead_stop(w);
        return nullptr;
    }
    return w;
}

uint32_t chd_write_ahead_room(const chd_write_ahead *) { return RING_HUNKS; }

uint8_t *chd_write_ahead_next(chd_write_ahead *w) {
    return &w->ring[size_t{w->handed_over % RING_HUNKS} * w->hunk_bytes];
}

void chd_write_ahead_hand_over(chd_write_ahead *w) {
    if (w->pool.empty()) {
        const uint32_t slot = w->handed_over % RING_HUNKS;
        chd_compress_hunk(w->own.get(), &w->ring[size_t{slot} * w->hunk_bytes], &w->results[slot]);
        w->done[slot] = w->handed_over++;
        return;
    }
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->handed_over++;
    }
    w->handed.notify_one();
}

const chd_compressed_hunk &chd_write_ahead_take(chd_write_ahead *w) {
    const uint32_t hunk = w->taken++;
    const uint32_t slot = hunk % RING_HUNKS;
    std::unique_lock<std::mutex> hold(w->lock);
    w->finished.wait(hold, [&] { return w->done[slot] == hunk; });
    return w->results[slot];
}

void chd_write_ahead_stop(chd_write_ahead *w) {
    if (w == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->stopping = true;
    }
    w->handed.notify_all();
    for (std::thread &t : w->pool) t.join();
    delete w;
}
