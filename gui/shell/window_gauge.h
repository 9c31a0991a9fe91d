// A page's progress bar behind a gauge record. The worker's set_range and step
// only update two numbers under a short lock; one queued refresh at a time
// carries the latest state to the bar, so a transfer stepping thousands of
// times per second costs the window one update per event-loop turn at most.
//
// Ownership and threading as for window_log: shared with the workers, cut()
// by the page before its bar dies.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "gui/shell/window_mailbox.h"
#include "core/log.h"

class wxGauge;

class window_gauge : public std::enable_shared_from_this<window_gauge> {
public:
    // Always made through std::make_shared.
    explicit window_gauge(wxGauge *bar);
    ~window_gauge();
    window_gauge(const window_gauge &) = delete;
    window_gauge &operator=(const window_gauge &) = delete;

    gauge_record *record() { return m_record; }
    void cut();

private:
    static void set_range(void *user, int64_t total);
    static void step(void *user, int64_t units);
    void queue_refresh();  // with m_mutex held
    void refresh();

    wxGauge *m_bar;  // window thread only
    window_mailbox_ptr m_mailbox;
    gauge_record *m_record;
    std::mutex m_mutex;
    int64_t range_ = 100;
    int64_t value_ = 0;
    bool m_refresh_queued = false;
};

using window_gauge_ptr = std::shared_ptr<window_gauge>;
