#include "platform/program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/utf8_path.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> lines_of(const std::string &path) {
    std::ifstream in(utf8_path(path), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

// The helper must receive each argument whole: on Windows they travel as one
// command line that the helper's runtime splits again, so spaces, quotes and
// backslashes in front of quotes must survive the round trip.
TEST(ProcessRunHelper, ArgumentsArriveWholeAndTheExitCodeComesBack) {
    temp_dir t;
    const std::string folder = t.dir + "/";
    const std::filesystem::path helper(ECHO_ARGS_HELPER);
    std::filesystem::copy_file(helper, utf8_path(folder) / helper.filename());
    const std::string name = helper.stem().string();  // ".exe" is added on Windows

    const std::vector<std::string> sent = {
        "plain", "two words", "say \"hi\"", "C:\\Program Files\\", "back\\\\slashes", "", "日本語 名前", "\ttab",
    };
    std::vector<const char *> args;
    for (const std::string &a : sent) args.push_back(a.c_str());
    args.push_back(nullptr);
    int code = -1;
    ASSERT_EQ(process_run_helper(folder.c_str(), name.c_str(), args.data(), &code), 1);
    EXPECT_EQ(code, 40 + static_cast<int>(sent.size()));
    EXPECT_EQ(lines_of(folder + "args.txt"), sent) << "the working directory is the helper's folder";
}

TEST(ProcessRunHelper, MissingHelperIsReportedAsNotStarted) {
    temp_dir t;
    const char *args[] = {nullptr};
    int code = -1;
    EXPECT_EQ(process_run_helper((t.dir + "/").c_str(), "no-such-helper", args, &code), 0);
    EXPECT_EQ(code, -1);
}

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
