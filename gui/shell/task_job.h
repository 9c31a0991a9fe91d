// A job: what a page asks its half's runner to do, described without the
// toolkit. The work runs on the worker thread with the half's log sink (its
// stop request and the page's gauge attached) and returns the identifier of
// the completion event posted to the page.
#pragma once

#include <functional>

#include "core/log.h"

struct task_job {
    std::function<int(log_sink *log)> work;
    // The work has stop points, so Stop is offered while it runs.
    bool can_stop = false;
    // A firmware write: it cannot stop safely in the middle of a page, so a
    // close asks whether to wait for it instead of stopping it.
    bool firmware_write = false;
};
