#include "platform/calendar_time.h"

bool calendar_utc(time_t t, struct tm *out) {
    struct tm fields {};
    if (gmtime_r(&t, &fields) == nullptr) return false;
    *out = fields;
    return true;
}

bool calendar_local(time_t t, struct tm *out) {
    struct tm fields {};
    if (localtime_r(&t, &fields) == nullptr) return false;
    *out = fields;
    return true;
}
