// A log sink that records every write and gauge call, for assertions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"

struct recording_log {
    recording_log();
    ~recording_log();
    recording_log(const recording_log &) = delete;
    recording_log &operator=(const recording_log &) = delete;

    std::string text() const;  // all writes joined
    std::vector<std::string> writes;
    std::vector<int64_t> ranges;
    int64_t stepped = 0;  // units stepped since the last set_range
    int64_t steps = 0;    // step calls since the last set_range
    log_sink *sink;
    gauge_record *gauge;
};
