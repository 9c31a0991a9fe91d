#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/calendar_time.h"

TEST(CalendarTime, UtcFieldsOfKnownMoments) {
    struct {
        time_t t;
        int year, month, day, hour, minute, second;
    } cases[] = {
        {0, 1970, 1, 1, 0, 0, 0},
        {951827696, 2000, 2, 29, 12, 34, 56},  // the leap day of a century year
        {4102444799, 2099, 12, 31, 23, 59, 59},  // past 2038
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<long long>(c.t)));
        struct tm f {};
        ASSERT_TRUE(calendar_utc(c.t, &f));
        EXPECT_EQ(f.tm_year + 1900, c.year);
        EXPECT_EQ(f.tm_mon + 1, c.month);
        EXPECT_EQ(f.tm_mday, c.day);
        EXPECT_EQ(f.tm_hour, c.hour);
        EXPECT_EQ(f.tm_min, c.minute);
        EXPECT_EQ(f.tm_sec, c.second);
    }
}

// The zone comes from TZ here; Windows takes it from the system settings.
#ifndef _WIN32
TEST(CalendarTime, LocalTimeFollowsTheZone) {
    const char *old = getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    setenv("TZ", "UTC-3", 1);  // three hours east of UTC
    tzset();
    struct tm f {};
    bool converted = calendar_local(951827696, &f);
    if (old != nullptr) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
    ASSERT_TRUE(converted);
    EXPECT_EQ(f.tm_mday, 29);
    EXPECT_EQ(f.tm_hour, 15);
    EXPECT_EQ(f.tm_min, 34);
}
#endif
