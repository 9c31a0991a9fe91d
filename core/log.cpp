#include "core/log.h"

#include <cstdarg>
#include <cstdio>

#include "core/internal_error.h"

log_sink *log_create(void *user, void (*write)(void *, const char *)) {
    return new log_sink{user, write, nullptr, nullptr};
}

void log_destroy(log_sink *l) { delete l; }

gauge_record *gauge_create(void *user, void (*set_range)(void *, int64_t),
                           void (*step)(void *, int64_t)) {
    return new gauge_record{user, set_range, step};
}

void gauge_destroy(gauge_record *g) { delete g; }

void log_attach_gauge(log_sink *l, gauge_record *g) { l->gauge = g; }

void log_write(log_sink *l, const char *text) { l->write(l->user, text); }

int log_printf(log_sink *l, const char *format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    l->write(l->user, buffer);
    return n;
}

void log_line(log_sink *l, const char *text) {
    l->write(l->user, text);
    l->write(l->user, "\n");
}

static bool gauge_present(log_sink *l) {
    if (l->gauge != nullptr) return true;
    internal_error("l->gauge != NULL");
    return false;
}

void gauge_set_range(log_sink *l, int64_t total) {
    if (gauge_present(l)) l->gauge->set_range(l->gauge->user, total);
}

void gauge_step(log_sink *l, int64_t units) {
    if (gauge_present(l)) l->gauge->step(l->gauge->user, units);
}

static void null_write(void *, const char *) {}
static void null_set_range(void *, int64_t) {}
static void null_step(void *, int64_t) {}

log_sink *log_null() {
    static gauge_record gauge{nullptr, null_set_range, null_step};
    static log_sink sink{nullptr, null_write, &gauge, nullptr};
    return &sink;
}

void log_attach_stop(log_sink *l, stop_request *s) { l->stop = s; }

bool log_stop_requested(const log_sink *l) { return l->stop && stop_is_requested(l->stop); }

bool log_stop_point(log_sink *l) {
    if (!log_stop_requested(l)) return false;
    log_line(l, "stopped");
    return true;
}
