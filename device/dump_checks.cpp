#include "device/dump_checks.h"

#include <zlib.h>

#include <cstdio>
#include <ctime>

#include "core/file_util.h"
#include "core/sha1.h"
#include "dat/dat_file.h"
#include "device/device_ops.h"
#include "platform/program.h"

namespace {

const char *option(device_context *ctx, const char *name) {
    return ctx->arguments != nullptr ? command_option_value(*ctx->arguments, name) : nullptr;
}

// The file's folder with name and the file's extension.
std::string sibling_path(const std::string &file, const std::string &name) {
    size_t slash = file.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
    size_t dot = base.rfind('.');
    return folder + name + (dot == std::string::npos || dot == 0 ? "" : base.substr(dot));
}

std::string bank_map_text(const dump_record &record) {
    std::string text;
    size_t i = 0;
    while (i < record.banks.size()) {
        size_t run = 1;
        while (i + run < record.banks.size() &&
               record.banks[i + run].argument == record.banks[i].argument &&
               record.banks[i + run].bank == record.banks[i].bank + run)
            run++;
        char part[64];
        snprintf(part, sizeof part, "%sbus 0x%02x-0x%02x arg %u", text.empty() ? "" : ", ",
                 record.banks[i].bank, static_cast<unsigned>(record.banks[i].bank + run - 1),
                 record.banks[i].argument);
        text += part;
        i += run;
    }
    return text;
}

}  // namespace

std::string dump_report_text(const std::vector<uint8_t> &image, uint32_t crc, const std::string &file,
                             const dump_record &record, const std::string &dat_line) {
    char date[32] = "unknown";
    struct tm utc {};
    if (calendar_utc(time(nullptr), &utc)) strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", &utc);
    // The file name stands on its own: a long path must not push the sums out.
    char sums[96];
    snprintf(sums, sizeof sums, "size: %zu bytes (0x%zx)\nCRC-32: %08lX\n", image.size(), image.size(),
             static_cast<unsigned long>(crc));
    std::string report = "HuCard dump report\nfile: " + file + "\n" + sums;
    report += "SHA-1: " + sha1_hex(image.data(), image.size()) + "\n";
    report += "probe: " + (record.probe.empty() ? std::string("none") : record.probe) + "\n";
    report += "bank map: " + bank_map_text(record) + "\n";
    report += "reads: " + std::to_string(record.reads) +
              (record.reads == 1 ? " (read once)\n" : " (read twice, banks compared)\n");
    report += "DAT: " + (dat_line.empty() ? std::string("none given") : dat_line) + "\n";
    report += "program: vmk " VMK_VERSION "\n";
    report += std::string("date: ") + date + "\n";
    return report;
}

bool dump_save_checked(device_context *ctx, const std::vector<uint8_t> &image, const char *file,
                       dump_record *record) {
    log_sink *l = ctx->log;
    std::string target = file;
    std::string dat_line;
    if (const char *dat = option(ctx, DUMP_DAT)) {
        std::vector<dat_rom> roms;
        std::string why;
        if (dat_load(dat, &roms, &why)) {
            dat_match m = dat_find(roms, image.data(), image.size());
            dat_line = dat_match_text(m);
            log_printf(l, "%s\n", dat_line.c_str());
            std::string name = m.rom != nullptr ? title_file_name(m.rom->title) : "";
            if (option(ctx, DUMP_NAME_BY_DAT) != nullptr && !name.empty()) {
                // Only the chosen file may be replaced: the user never named
                // the titled one (and the window asked about the chosen one).
                std::string titled = sibling_path(file, name);
                if (titled == target || file_size(titled.c_str()) < 0)
                    target = titled;
                else
                    log_printf(l, "%s exists already and is kept; the dump goes to the chosen name\n",
                               titled.c_str());
            }
        } else {
            dat_line = std::string("not checked: ") + dat + ": " + why;
            log_printf(l, "DAT %s: %s; the dump is saved unchecked\n", dat, why.c_str());
        }
    }
    log_write(l, target.c_str());
    if (!file_write_whole(target.c_str(), image.data(), image.size())) {
        log_line(l, " - save error");
        return false;
    }
    uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(image.size()));
    log_printf(l, " has been saved. CRC32:%08lX\n", static_cast<unsigned long>(crc));
    const char *report = option(ctx, DUMP_REPORT);
    if (report == nullptr) return true;
    std::string text = dump_report_text(image, static_cast<uint32_t>(crc), target, *record, dat_line);
    if (!file_write_whole(report, text.data(), text.size())) {
        log_printf(l, "%s - report save error\n", report);
        return false;
    }
    return true;
}
