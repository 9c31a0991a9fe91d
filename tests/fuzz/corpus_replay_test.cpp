// Replays the saved inputs of one fuzz target (seeds and past findings) under
// the test build's sanitizers, so that a fixed crash stays fixed. Each replay
// executable links one target, names its corpus in FUZZ_CORPUS and its test
// suite in FUZZ_SUITE (so each replay has a name of its own in the test list).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

TEST(FUZZ_SUITE, EverySavedInputRunsCleanly) {
    int inputs = 0;
    for (const auto &entry : std::filesystem::directory_iterator(FUZZ_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        inputs++;
    }
    EXPECT_GT(inputs, 0) << "no saved inputs in " FUZZ_CORPUS;
}
