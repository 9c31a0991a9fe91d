// Running chdman from tests. chdman is a Linux program. Under wine the
// Windows build's tests take the files a Linux run of the same tests made
// (the generated inputs are the same on both systems) from the folder
// VMK_CHD_FIXTURES names; a Linux run with that variable set leaves a copy
// of every file it makes there.
#pragma once

#include <string>
#include <vector>

const char *chd_fixtures();

// `key` names one call's files among the others; `outputs` are the paths
// chdman writes. false when chdman fails (or, on Windows, a file is missing).
bool run_chdman(const std::string &arguments, const std::string &key,
                const std::vector<std::string> &outputs);

// A Windows run without a Linux run's files skips what needs chdman.
#ifdef _WIN32
#define SKIP_WITHOUT_CHDMAN()                                                          \
    if (chd_fixtures() == nullptr)                                                     \
    GTEST_SKIP() << "chdman's files from a Linux run: set VMK_CHD_FIXTURES (tools/windows/test does)"
#else
#define SKIP_WITHOUT_CHDMAN() static_cast<void>(0)
#endif

// s in single quotes, for a shell command line.
std::string quoted(const std::string &s);

#ifndef _WIN32
// What chdman prints (its status says nothing about a failed verify).
std::string chdman_output(const std::string &arguments);
#endif
