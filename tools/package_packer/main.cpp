// package-packer: builds a firmware package from a data block and an FPGA
// configuration file.
//   package-packer DATA_ADDRESS_HEX data.bin config.jic out.pac
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/file_util.h"
#include "tools/package_packer/package_packer.h"

static bool read_file(const char *name, std::vector<uint8_t> &out) {
    int64_t size = file_size(name);
    if (size < 0) return false;
    out.resize(static_cast<size_t>(size));
    return size == 0 || file_read_whole(name, out.data(), out.size());
}

int main(int argc, char **argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: package-packer DATA_ADDRESS_HEX data.bin config.jic out.pac\n");
        return 2;
    }
    uint32_t address = static_cast<uint32_t>(strtoul(argv[1], nullptr, 16));
    std::vector<uint8_t> data, jic;
    if (!read_file(argv[2], data) || !read_file(argv[3], jic)) {
        fprintf(stderr, "package-packer: cannot read the input files\n");
        return 1;
    }
    std::vector<uint8_t> pac = package_pack(package_assemble(address, data, jic));
    if (pac.empty() || !file_write_whole(argv[4], pac.data(), pac.size())) {
        fprintf(stderr, "package-packer: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
