#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>

temp_dir::temp_dir() {
    char pattern[] = "/tmp/vmk-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    dir = made ? made : "/tmp";
}

temp_dir::~temp_dir() {
    std::error_code ec;
    if (dir != "/tmp") std::filesystem::remove_all(dir, ec);
}
