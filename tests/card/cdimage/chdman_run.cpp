#include "tests/card/cdimage/chdman_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

const char *chd_fixtures() { return std::getenv("VMK_CHD_FIXTURES"); }

bool run_chdman(const std::string &arguments, const std::string &key,
                const std::vector<std::string> &outputs) {
    namespace fs = std::filesystem;
    const char *fixtures = chd_fixtures();
    auto kept = [&](const std::string &output) {
        return fs::path(fixtures) / (key + "-" + fs::path(output).filename().string());
    };
    std::error_code ec;
#ifdef _WIN32
    static_cast<void>(arguments);
    for (const std::string &output : outputs)
        if (fixtures == nullptr ||
            !fs::copy_file(kept(output), output, fs::copy_options::overwrite_existing, ec)) {
            ADD_FAILURE() << "no chdman file " << key << " in VMK_CHD_FIXTURES";
            return false;
        }
    return true;
#else
    if (std::system(("chdman " + arguments + " >/dev/null 2>&1").c_str()) != 0) return false;
    if (fixtures != nullptr) {
        fs::create_directories(fixtures, ec);
        for (const std::string &output : outputs)
            if (!fs::copy_file(output, kept(output), fs::copy_options::overwrite_existing, ec))
                return false;
    }
    return true;
#endif
}

std::string quoted(const std::string &s) { return "'" + s + "'"; }

#ifndef _WIN32
std::string chdman_output(const std::string &arguments) {
    std::string text;
    FILE *p = popen(("chdman " + arguments + " 2>&1").c_str(), "r");
    if (p == nullptr) return text;
    char buffer[512];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
    pclose(p);
    return text;
}
#endif
