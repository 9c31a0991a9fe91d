// libFuzzer entry: see card_image_input.h for the input format.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/card/layout/fuzz/card_image_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy, so that reading past the input is caught.
    std::vector<uint8_t> copy(data, data + size);
    fuzz_card_image(copy.data(), copy.size());
    return 0;
}
