// The real program started as a new user starts it (an empty folder, no
// settings file), seen from outside: the toolkit prints no warning or
// critical while the window lays itself out, shows and paints.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/support/temp_dir.h"
#include "tools/window_start/started_window.h"

namespace {

// Lines the toolkit's libraries log at level warning or critical.
bool toolkit_complaint(const std::string &line) {
    return line.find("-WARNING **") != std::string::npos ||
           line.find("-CRITICAL **") != std::string::npos;
}

}  // namespace

TEST(WindowStart, NewUserStartPrintsNoToolkitWarning) {
    temp_dir folder;
    started_window window(VELLUMARK_PROGRAM, folder.dir);
    ASSERT_TRUE(window.started());
    ASSERT_TRUE(window.wait_mapped(60000)) << window.error_text();
    // The first paint, the drive scan that entering the first page starts,
    // and the idle time after it.
    window.watch_for(3000);
    EXPECT_EQ(window.close(60000), 0) << window.error_text();
    std::istringstream lines(window.error_text());
    for (std::string line; std::getline(lines, line);)
        EXPECT_FALSE(toolkit_complaint(line)) << line;
}
