#include "tests/support/temp_dir.h"

#include <filesystem>
#include <random>

// std::filesystem rather than mkdtemp, which the Windows runtime lacks.
temp_dir::temp_dir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = ".";
    std::random_device seed;
    std::mt19937_64 pick(seed());
    for (int attempt = 0; attempt < 100; attempt++) {
        fs::path candidate = base / ("vmk-test-" + std::to_string(pick() % 1000000000));
        if (fs::create_directory(candidate, ec)) {
            dir = candidate.generic_string();
            return;
        }
    }
    dir = base.generic_string();
}

temp_dir::~temp_dir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (dir != fs::temp_directory_path(ec).generic_string() && dir != ".") fs::remove_all(dir, ec);
}
