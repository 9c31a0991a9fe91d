// `vmk dat check FILE... --dat DAT [--card DRIVE #N|all...] [--patch BPS]
// [--json]`: HuCard ROMs and discs (cue sheets, image sets, compressed
// images, any of them inside a .zip or .7z, images stored on a card) checked
// against a DAT; with --patch, where an unknown ROM was patched from. Status
// 0 only when every input is verified (or its patch's base is found).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "card/cdimage/archive_input.h"
#include "card/commands/dat_check.h"
#include "cli/card_drive_argument.h"
#include "cli/console_log.h"
#include "cli/daily_commands.h"
#include "core/command_options.h"
#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/status.h"
#include "platform/disk_service.h"

namespace {

void print(const std::string &text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

// One ROM alone prints its line as a dump check does; with several inputs
// each line says which input it is about.
std::string report_text(const dat_check_report &r, bool json, bool several) {
    if (json) return dat_check_json(r);
    if (r.rom && !several) return dat_match_text(r.rom_match) + "\n";
    return dat_check_text(r);
}

int check(log_sink *log, const command_arguments &a, const char *dat_path) {
    const char *drive_word = command_option_value(a, "--card");
    const bool json = command_option_given(a, "--json");
    bool discs = drive_word != nullptr, roms = drive_word != nullptr;
    bool all_verified = true;
    // A file that is not there is named before the DAT is read.
    std::vector<const char *> files;
    for (const char *file : a.positional) {
        const bool disc = dat_check_names_disc(file);
        std::string archive, inner;
        if (drive_word == nullptr && !disc && !archive_argument(file, &archive, &inner) &&
            file_size(file) < 0) {
            log_file_message(log, file, ": cannot be read\n");
            all_verified = false;
            continue;
        }
        (disc ? discs : roms) = true;
        files.push_back(file);
    }
    if (drive_word == nullptr && files.empty()) return VMK_FAILED;
    dat_catalog dat;
    if (!dat_check_load(log, dat_path, discs, roms, &dat)) return VMK_FAILED;
    const bool several = a.positional.size() > 1 || drive_word != nullptr;
    if (drive_word != nullptr) {
        std::string drive;
        disk_service_allow_text_agent();
        std::vector<dat_check_report> reports;
        const std::vector<std::string> which(a.positional.begin(), a.positional.end());
        const bool ok = resolve_card_drive_argument(log, drive_word, &drive) &&
                        dat_check_card(log, drive.c_str(), dat, which, &reports);
        for (const dat_check_report &r : reports) {
            print(report_text(r, json, several));
            all_verified = all_verified && dat_check_verified(r);
        }
        return ok && all_verified ? VMK_OK : VMK_FAILED;
    }
    const char *patch = command_option_value(a, "--patch");
    for (const char *file : files) {
        dat_check_report r;
        if (!dat_check_file(log, dat, file, &r)) {
            all_verified = false;
            continue;
        }
        print(report_text(r, json, several));
        bool verified = dat_check_verified(r);
        if (patch != nullptr && r.rom && r.rom_match.rom == nullptr) {
            std::string line;
            verified = dat_check_patch_origin(log, dat, file, patch, &line);
            print(line + "\n");
        }
        all_verified = all_verified && verified;
    }
    return all_verified ? VMK_OK : VMK_FAILED;
}

}  // namespace

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
    bool ok = command_arguments_split("--dat FILE --card DRIVE --patch FILE --json", argc - 1, argv + 1,
                                      true, &a);
    const char *dat = command_option_value(a, "--dat");
    if (!ok || a.positional.empty() || dat == nullptr) {
        if (!a.refusal.empty()) fprintf(stderr, "vmk: %s\n", a.refusal.c_str());
        print_usage(stderr, "dat", "check");
        return VMK_USAGE;
    }
    console_log con = console_log_create();
    const int status = check(con.sink, a, dat);
    console_log_destroy(con);
    return status;
}
