// Fuzz target: arbitrary bytes as a package file (unscrambled and inflated)
// and as the inflated image itself (its header read), then every byte that
// programming would take from the header's ranges is touched.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/firmware_package.h"

namespace {

// What programming reads through the header: the data block and the .jic
// image behind the configuration offset.
void touch_ranges(const std::vector<uint8_t> &unpacked, size_t size) {
    package_header h;
    if (!package_header_read(unpacked.data(), size, &h)) return;
    unsigned sum = 0;
    for (uint32_t i = 0; i < h.data_size; i++) sum += unpacked[h.data_offset + i];
    const uint8_t *jic = unpacked.data() + h.config_offset;
    for (uint32_t i = 0; i < JIC_IMAGE_OFFSET + JIC_IMAGE_SIZE; i++) sum += jic[i];
    if (sum == 0xFFFFFFFFu) abort();  // keeps the reads
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > PACKAGE_FILE_MAX) return 0;
    // Exact-size copies so that AddressSanitizer sees any over-read.
    std::vector<uint8_t> as_unpacked(data, data + size);
    touch_ranges(as_unpacked, size);

    std::vector<uint8_t> file(data, data + size);
    std::vector<uint8_t> out(PACKAGE_UNPACKED_MAX);
    size_t produced = 0;
    int ok = package_unpack(file.data(), file.size(), out.data(), &produced);
    if (produced > PACKAGE_UNPACKED_MAX) abort();
    if (ok) touch_ranges(out, produced);
    return 0;
}
