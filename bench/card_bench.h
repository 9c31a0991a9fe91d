// What the card benchmarks share: medians, wall-clock seconds, and card
// commands run in-process through a log that keeps what they print and a
// gauge that shows nothing.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "card/commands/card_dispatch.h"
#include "card/store/drive_table.h"
#include "core/log.h"

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct bench_log {
    std::string text;  // everything the commands printed
    log_sink *sink;
    gauge_record *gauge;
    bench_log() {
        sink = log_create(this, [](void *user, const char *t) { static_cast<bench_log *>(user)->text += t; });
        gauge = gauge_create(nullptr, [](void *, int64_t) {}, [](void *, int64_t) {});
        log_attach_gauge(sink, gauge);
    }
    ~bench_log() {
        log_destroy(sink);
        gauge_destroy(gauge);
    }
    bench_log(const bench_log &) = delete;
    bench_log &operator=(const bench_log &) = delete;

    // Seconds the card command v[1] (v[0] unused) took; a failure is printed.
    double run(std::vector<const char *> v) {
        auto start = std::chrono::steady_clock::now();
        if (card_dispatch(sink, static_cast<int>(v.size()), v.data()) != 0)
            fprintf(stderr, "%s failed\n", v[1]);
        return seconds_since(start);
    }
};

// A card image file under a drive letter of its own, its commands run
// quietly: for benchmarks whose steps each run as a process.
struct card_session {
    char letter;
    std::string drive;
    log_sink *log;
    gauge_record *gauge;
    explicit card_session(const std::string &card)
        : letter(drive_table_register_image(log_null(), card.c_str())), drive(1, letter),
          log(log_create(nullptr, [](void *, const char *) {})),
          gauge(gauge_create(nullptr, [](void *, int64_t) {}, [](void *, int64_t) {})) {
        log_attach_gauge(log, gauge);
    }
    ~card_session() {
        drive_table_forget(letter);
        log_destroy(log);
        gauge_destroy(gauge);
    }
    int run(std::vector<const char *> v) {
        v.insert(v.begin(), "");
        v.insert(v.begin() + 2, drive.c_str());
        return card_dispatch(log, static_cast<int>(v.size()), v.data());
    }
};
