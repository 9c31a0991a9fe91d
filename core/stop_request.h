// A request to stop the running command at its next safe point. Set from any
// thread (a signal handler, the window's Stop button); read by the worker.
// Lock-free so that a signal handler may set it.
#pragma once

#include <atomic>

struct stop_request {
    std::atomic<bool> requested{false};
};

inline void stop_ask(stop_request *s) { s->requested.store(true, std::memory_order_relaxed); }
inline void stop_clear(stop_request *s) { s->requested.store(false, std::memory_order_relaxed); }
inline bool stop_is_requested(const stop_request *s) {
    return s->requested.load(std::memory_order_relaxed);
}
