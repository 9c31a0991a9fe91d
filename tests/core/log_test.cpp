#include <gtest/gtest.h>

#include <string>

#include "tests/support/recording_log.h"

TEST(Log, PrintfCutsLongOutputTo127CharactersAndReturnsFullLength) {
    recording_log r;
    std::string long_text(200, 'x');
    EXPECT_EQ(log_printf(r.sink, "%s", long_text.c_str()), 200);
    ASSERT_EQ(r.writes.size(), 1u);
    EXPECT_EQ(r.writes[0], std::string(127, 'x'));
}

TEST(Log, LineIsTwoWrites) {
    recording_log r;
    log_line(r.sink, "abc");
    EXPECT_EQ(r.writes, (std::vector<std::string>{"abc", "\n"}));
}

TEST(Log, GaugeForwardsRangeAndSteps) {
    recording_log r;
    gauge_set_range(r.sink, 263);
    for (int i = 0; i < 263; i++) gauge_step(r.sink, 1);
    EXPECT_EQ(r.ranges, std::vector<int64_t>{263});
    EXPECT_EQ(r.stepped, 263);
}

TEST(Log, SinkWithoutGaugeIsReportedNotFatal) {
    recording_log r;
    log_attach_gauge(r.sink, nullptr);
    testing::internal::CaptureStderr();
    gauge_step(r.sink, 5);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("l->gauge != NULL"), std::string::npos);
    EXPECT_TRUE(r.writes.empty());
}
