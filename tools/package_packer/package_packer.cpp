#include "tools/package_packer/package_packer.h"

#include <zlib.h>

#include <algorithm>

#include "device/firmware_package.h"

namespace {

void put_le32(std::vector<uint8_t> &out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> package_assemble(uint32_t data_address, const std::vector<uint8_t> &data,
                                      const std::vector<uint8_t> &jic) {
    uint32_t data_offset = PACKAGE_HEADER_SIZE;
    uint32_t config_offset = data_offset + static_cast<uint32_t>(data.size());
    std::vector<uint8_t> out(PACKAGE_HEADER_SIZE + data.size() + jic.size());
    put_le32(out, 0, config_offset);
    put_le32(out, 4, 0);
    put_le32(out, 8, static_cast<uint32_t>(jic.size()));
    put_le32(out, 12, data_offset);
    put_le32(out, 16, data_address);
    put_le32(out, 20, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), out.begin() + data_offset);
    std::copy(jic.begin(), jic.end(), out.begin() + config_offset);
    return out;
}

std::vector<uint8_t> package_pack(const std::vector<uint8_t> &unpacked) {
    uLongf size = compressBound(static_cast<uLong>(unpacked.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, unpacked.data(), static_cast<uLong>(unpacked.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize((size + PACKAGE_BLOCK - 1) / PACKAGE_BLOCK * PACKAGE_BLOCK, 0);
    package_scramble(out.data(), out.size());
    return out;
}
