#include "platform/calendar_time.h"

// The C runtime's thread-safe forms: they fill the caller's fields and return
// 0 on success.
bool calendar_utc(time_t t, struct tm *out) {
    struct tm fields {};
    if (gmtime_s(&fields, &t) != 0) return false;
    *out = fields;
    return true;
}

bool calendar_local(time_t t, struct tm *out) {
    struct tm fields {};
    if (localtime_s(&fields, &t) != 0) return false;
    *out = fields;
    return true;
}
