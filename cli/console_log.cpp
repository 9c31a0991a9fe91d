#include "cli/console_log.h"

#include "platform/program.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using steady = std::chrono::steady_clock;

struct progress_bar {
    bool enabled;
    bool showing;
    int64_t total;
    int64_t done;
    steady::time_point start;
    steady::time_point last_draw;
};

progress_bar bar;
// Static: the signal handler may still look at it while the process ends.
stop_request stop;

void draw(bool force) {
    if (!bar.enabled || bar.total <= 0) return;
    auto now = steady::now();
    if (!force && now - bar.last_draw < std::chrono::milliseconds(100)) return;
    bar.last_draw = now;
    double seconds = std::chrono::duration<double>(now - bar.start).count();
    int64_t done = bar.done > bar.total ? bar.total : bar.done;
    int filled = static_cast<int>(done * 40 / bar.total);
    char line[40 + 1];
    memset(line, '#', filled);
    memset(line + filled, '.', 40 - filled);
    line[40] = '\0';
    double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    fprintf(stderr, "\r[%s] %3d%% %9.0f B/s", line, static_cast<int>(done * 100 / bar.total), rate);
    fflush(stderr);
    bar.showing = true;
}

void end_line() {
    if (bar.showing) fputc('\n', stderr);
    bar.showing = false;
}

void stdout_write(void *, const char *text) {
    // Keep the bar from tearing through log lines on a shared terminal.
    if (bar.showing && stream_is_terminal(stdout)) end_line();
    fwrite(text, 1, strlen(text), stdout);
    fflush(stdout);
}

void bar_set_range(void *, int64_t total) {
    draw(true);
    end_line();
    bar.total = total;
    bar.done = 0;
    bar.start = bar.last_draw = steady::now();
}

void bar_step(void *, int64_t units) {
    bar.done += units;
    draw(bar.done >= bar.total);
}

}  // namespace

console_log console_log_create() {
    bar = progress_bar{stream_is_terminal(stderr), false, 0, 0, steady::now(), steady::now()};
    console_log c{log_create(nullptr, stdout_write), gauge_create(nullptr, bar_set_range, bar_step)};
    log_attach_gauge(c.sink, c.gauge);
    stop_clear(&stop);
    log_attach_stop(c.sink, &stop);
    stop_signals_install(&stop);
    return c;
}

void console_log_destroy(console_log &c) {
    end_line();
    log_destroy(c.sink);
    gauge_destroy(c.gauge);
    c = console_log{nullptr, nullptr};
}
