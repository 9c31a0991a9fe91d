#include "tests/support/recording_log.h"

#include <mutex>

static std::mutex mutex;

static void record_write(void *user, const char *text) {
    std::lock_guard<std::mutex> lock(mutex);
    static_cast<recording_log *>(user)->writes.emplace_back(text);
}

static void record_range(void *user, int64_t total) {
    std::lock_guard<std::mutex> lock(mutex);
    auto *r = static_cast<recording_log *>(user);
    r->ranges.push_back(total);
    r->stepped = 0;
    r->steps = 0;
}

static void record_step(void *user, int64_t units) {
    std::lock_guard<std::mutex> lock(mutex);
    auto *r = static_cast<recording_log *>(user);
    r->stepped += units;
    r->steps++;
}

recording_log::recording_log()
    : sink(log_create(this, record_write)), gauge(gauge_create(this, record_range, record_step)) {
    log_attach_gauge(sink, gauge);
}

recording_log::~recording_log() {
    log_destroy(sink);
    gauge_destroy(gauge);
}

std::string recording_log::text() const {
    std::lock_guard<std::mutex> lock(mutex);
    std::string all;
    for (const auto &w : writes) all += w;
    return all;
}
