// `vmk dat check FILE --dat DAT`: the DAT check of a dump, for a file
// already on disk.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/daily_commands.h"
#include "core/status.h"
#include "core/command_options.h"
#include "core/file_util.h"
#include "dat/dat_file.h"

int run_dat(int argc, char **argv) {
    if (argc < 1 || strcmp(argv[0], "check") != 0) {
        print_usage(stderr, "dat", "check");
        return VMK_USAGE;
    }
    if (asks_for_help(argc, argv)) {
        print_command_help(stdout, "dat", "check");
        return VMK_OK;
    }
    command_arguments a;
    bool ok = command_arguments_split("--dat FILE", argc - 1, argv + 1, true, &a);
    const char *dat = command_option_value(a, "--dat");
    if (!ok || a.positional.size() != 1 || dat == nullptr) {
        if (!a.refusal.empty()) fprintf(stderr, "vmk: %s\n", a.refusal.c_str());
        print_usage(stderr, "dat", "check");
        return VMK_USAGE;
    }
    const char *file = a.positional[0];
    int64_t size = file_size(file);
    // Far beyond any HuCard image: most likely the wrong file, which is not
    // worth reading whole.
    constexpr int64_t FILE_MAX = int64_t{64} << 20;
    if (size > FILE_MAX) {
        printf("%s: larger than any HuCard image (over 64 MiB)\n", file);
        return VMK_FAILED;
    }
    std::vector<uint8_t> image(size > 0 ? static_cast<size_t>(size) : 0);
    if (size < 0 || (size > 0 && !file_read_whole(file, image.data(), image.size()))) {
        printf("%s: cannot be read\n", file);
        return VMK_FAILED;
    }
    std::vector<dat_rom> roms;
    std::string why;
    if (!dat_load(dat, &roms, &why)) {
        printf("DAT %s: %s\n", dat, why.c_str());
        return VMK_FAILED;
    }
    dat_match m = dat_find(roms, image.data(), image.size());
    printf("%s\n", dat_match_text(m).c_str());
    return m.rom != nullptr && !m.rom->bad_dump ? VMK_OK : VMK_FAILED;
}
