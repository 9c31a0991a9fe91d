// `vmk dat check FILE --dat DAT`: the DAT check of a dump, for a file
// already on disk or inside an archive; with --patch, where a patched file
// came from.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "card/cdimage/archive_input.h"
#include "card/cdimage/rom_patch.h"
#include "cli/daily_commands.h"
#include "core/status.h"
#include "core/command_options.h"
#include "core/log.h"
#include "device/dat_file.h"

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
    bool ok = command_arguments_split("--dat FILE --patch FILE", argc - 1, argv + 1, true, &a);
    const char *dat = command_option_value(a, "--dat");
    if (!ok || a.positional.size() != 1 || dat == nullptr) {
        if (!a.refusal.empty()) fprintf(stderr, "vmk: %s\n", a.refusal.c_str());
        print_usage(stderr, "dat", "check");
        return VMK_USAGE;
    }
    const char *file = a.positional[0];
    // Far beyond any HuCard image: most likely the wrong file, which is not
    // worth reading whole.
    constexpr uint64_t FILE_MAX = uint64_t{64} << 20;
    std::vector<uint8_t> image;
    log_sink *out = log_create(nullptr, [](void *, const char *text) { fputs(text, stdout); });
    bool read = rom_bytes_read(out, file, FILE_MAX, &image);
    log_destroy(out);
    if (!read) return VMK_FAILED;
    std::vector<dat_rom> roms;
    std::string why;
    if (!dat_load(dat, &roms, &why)) {
        printf("DAT %s: %s\n", dat, why.c_str());
        return VMK_FAILED;
    }
    dat_match m = dat_find(roms, image.data(), image.size());
    printf("%s\n", dat_match_text(m).c_str());
    const char *patch = command_option_value(a, "--patch");
    if (patch != nullptr && m.rom == nullptr) {
        std::string line;
        bool found = rom_patch_origin(
            patch, image.data(), image.size(),
            [&roms](uint32_t crc, uint64_t size) -> const char * {
                for (const dat_rom &r : roms)
                    if (r.crc == crc && r.size == size) return r.title.c_str();
                return nullptr;
            },
            &line);
        printf("%s\n", line.c_str());
        return vmk_status(found);
    }
    return m.rom != nullptr && !m.rom->bad_dump ? VMK_OK : VMK_FAILED;
}
