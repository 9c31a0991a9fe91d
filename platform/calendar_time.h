// A moment as calendar fields, in UTC or in the machine's local time zone.
// POSIX: calendar_time_posix.cpp; Windows: calendar_time_windows.cpp.
#pragma once

#include <ctime>

// False (and *out untouched) when the system cannot convert t.
bool calendar_utc(time_t t, struct tm *out);
bool calendar_local(time_t t, struct tm *out);
